#include "card/BerLength.h"

namespace {

constexpr std::uint8_t kLongForm = 0x80;
constexpr std::size_t kMostLengthBytes = 3;

}  // namespace

std::optional<TBerLength> ParseBerLength(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  const std::uint8_t first = bytes[0];
  if (first < kLongForm) return TBerLength{first, 1};

  const std::size_t lengthBytes = first - kLongForm;
  if (lengthBytes == 0 || lengthBytes > kMostLengthBytes || bytes.size() < 1 + lengthBytes) {
    return std::nullopt;
  }
  std::size_t value = 0;
  for (const std::uint8_t byte : bytes.subspan(1, lengthBytes)) value = (value << 8) | byte;
  return TBerLength{value, 1 + lengthBytes};
}
