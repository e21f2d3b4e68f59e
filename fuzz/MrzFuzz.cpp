// ExtractMrz over the DG1 held in the stream, then the MRZ cutting; the
// cutting also straight over the input, for MRZs of every length.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "card/MemoryStream.h"
#include "document/DG1.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream;
  stream.Write(std::span(data, size));
  std::string mrz;
  try {
    ExtractMrz(stream, mrz);
  } catch (const EReadError&) {
    return 0;
  }
  if (mrz.size() > 255) Finding("MRZ longer than its one-byte length");
  CutMrz(mrz);
  CutMrz(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
