// A whole read command against the sample passport's simulated chip, every
// answer after Basic Access Control, or with PACE every answer from the
// first command on, taken from the input (SessionScript.h): valid secure
// messaging around hostile data, so that the PACE steps and the decoders
// behind secure messaging are reached.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "fuzz/ReadSession.h"
#include "fuzz/SessionScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TReadSession session(std::filesystem::path(ZELVAN_SAMPLES_DIR) / "icao-passport.zdoc");
  const std::span<const std::uint8_t> input(data, size);
  TSessionScript script(input.empty() ? input : input.subspan(1));
  session.Run([&script](const hostile::TExchange&) { return script.Next(); }, TSessionScript::Access(input));
  return 0;
}
