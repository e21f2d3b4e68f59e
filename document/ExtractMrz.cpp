#include <cstdint>
#include <vector>

#include "document/DG1.h"

namespace {

constexpr std::uint8_t kDG1Tag = 0x61;
constexpr std::uint8_t kMrzTag1 = 0x5F;
constexpr std::uint8_t kMrzTag2 = 0x1F;

}  // namespace

void ExtractMrz(TMemoryStream& stream, std::string& mrz) {
  mrz.clear();
  stream.Rewind();
  const std::uint8_t groupTag = stream.ReadByte();
  stream.ReadByte();  // the DG1 length; the MRZ object's own length is what counts
  const std::uint8_t tag1 = stream.ReadByte();
  const std::uint8_t tag2 = stream.ReadByte();
  if (groupTag != kDG1Tag || tag1 != kMrzTag1 || tag2 != kMrzTag2) return;

  std::vector<std::uint8_t> chars(stream.ReadByte());
  stream.ReadBuffer(chars);
  mrz.assign(chars.begin(), chars.end());
}
