// A whole read command against the sample passport's simulated chip, every
// answer after Basic Access Control taken from the input (SessionScript.h):
// valid secure messaging around hostile data, so that the decoders behind it
// are reached.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "fuzz/ReadSession.h"
#include "fuzz/SessionScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TReadSession session(std::filesystem::path(ZELVAN_SAMPLES_DIR) / "icao-passport.zdoc");
  TSessionScript script(std::span(data, size));
  session.Run([&script](const hostile::TExchange&) { return script.Next(); });
  return 0;
}
