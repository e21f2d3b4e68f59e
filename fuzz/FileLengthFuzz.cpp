// DecodeFileLength over the first bytes of a file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "card/FileReading.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> start(data, data + size);  // exact size on the heap: an overread shows
  const std::uint16_t total = DecodeFileLength(start);
  // A readable object is at least a tag and a length byte long.
  if (total == 1) Finding("an object of one byte");
  return 0;
}
