#pragma once
// Walks the boxes of a JP2 file (ISO/IEC 15444-1 annex I) held in memory: a
// 32-bit length and a 4-character type, a 64-bit length after them when the
// first one is 1, and a length of 0 for a box that runs to the end.
// Stops at the first box whose length does not fit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

using TBoxType = std::array<std::uint8_t, 4>;

constexpr TBoxType BoxType(const char (&name)[5]) {
  return {static_cast<std::uint8_t>(name[0]), static_cast<std::uint8_t>(name[1]), static_cast<std::uint8_t>(name[2]),
          static_cast<std::uint8_t>(name[3])};
}

struct TBox {
  TBoxType Type{};
  std::span<const std::uint8_t> Payload;
};

class TBoxReader {
public:
  explicit TBoxReader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

  // The next box, or nothing at the end or at a malformed box.
  std::optional<TBox> Next();

private:
  std::span<const std::uint8_t> rest_;
};

// Big-endian unsigned integers of 1 to 8 bytes.
std::uint64_t ReadBigEndian(std::span<const std::uint8_t> bytes);
