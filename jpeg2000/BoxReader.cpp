#include "jpeg2000/BoxReader.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kExtendedHeaderSize = 16;
constexpr std::uint64_t kExtendedLength = 1;
constexpr std::uint64_t kToEndLength = 0;

}  // namespace

std::uint64_t ReadBigEndian(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (std::uint8_t byte : bytes) value = (value << 8) | byte;
  return value;
}

std::optional<TBox> TBoxReader::Next() {
  if (rest_.size() < kHeaderSize) return std::nullopt;
  std::uint64_t length = ReadBigEndian(rest_.first(4));
  TBox box;
  std::copy_n(rest_.begin() + 4, 4, box.Type.begin());
  std::size_t headerSize = kHeaderSize;
  if (length == kExtendedLength) {
    if (rest_.size() < kExtendedHeaderSize) return std::nullopt;
    length = ReadBigEndian(rest_.subspan(kHeaderSize, 8));
    headerSize = kExtendedHeaderSize;
  } else if (length == kToEndLength) {
    length = rest_.size();
  }
  if (length < headerSize || length > rest_.size()) {
    rest_ = {};
    return std::nullopt;
  }
  box.Payload = rest_.subspan(headerSize, static_cast<std::size_t>(length) - headerSize);
  rest_ = rest_.subspan(static_cast<std::size_t>(length));
  return box;
}
