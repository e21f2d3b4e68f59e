#include "card/MemoryStream.h"

#include <algorithm>
#include <cstring>

std::size_t TMemoryStream::Read(std::span<std::uint8_t> destination) {
  const std::size_t count = std::min(destination.size(), Remaining());
  if (count > 0) std::memcpy(destination.data(), data_.data() + position_, count);
  position_ += count;
  return count;
}

void TMemoryStream::ReadBuffer(std::span<std::uint8_t> destination) {
  if (destination.size() > Remaining()) throw EReadError();
  Read(destination);
}

std::uint8_t TMemoryStream::ReadByte() {
  std::uint8_t byte = 0;
  ReadBuffer(std::span<std::uint8_t>(&byte, 1));
  return byte;
}

void TMemoryStream::Write(std::span<const std::uint8_t> source) {
  if (source.empty()) return;
  const std::size_t end = position_ + source.size();
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, source.data(), source.size());
  position_ = end;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}
