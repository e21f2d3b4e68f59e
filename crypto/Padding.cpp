#include "crypto/Padding.h"

#include <algorithm>

std::size_t PadData(std::span<std::uint8_t> buffer, std::size_t length, bool force) {
  if (length >= buffer.size()) return length;  // no room for the 0x80 byte: callers never ask this
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), std::uint8_t{0x00});
  buffer[length] = 0x80;
  if (length % kDesBlockSize != 0 || force) return (length / kDesBlockSize + 1) * kDesBlockSize;
  return length;
}

std::size_t UnpadData(std::span<const std::uint8_t> data) {
  std::size_t n = data.size();
  while (n > 0 && data[n - 1] == 0x00) --n;
  if (n > 0 && data[n - 1] == 0x80) return n - 1;
  return data.size();
}
