#pragma once
// A growable in-memory byte stream with a size and a position. Reads past the
// end raise EReadError "Stream read error"; writes grow the stream and never
// shorten it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

class EReadError : public std::runtime_error {
public:
  EReadError() : std::runtime_error("Stream read error") {}
};

class TMemoryStream {
public:
  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return position_; }
  // Positions beyond the end are allowed; reads from there fail, writes fill the gap with zeros.
  void SetPosition(std::size_t position) { position_ = position; }
  void Rewind() { position_ = 0; }
  std::size_t Remaining() const { return position_ < data_.size() ? data_.size() - position_ : 0; }

  // Reads up to destination.size() bytes; returns how many came.
  std::size_t Read(std::span<std::uint8_t> destination);
  // Reads exactly destination.size() bytes or raises EReadError (position unchanged then).
  void ReadBuffer(std::span<std::uint8_t> destination);
  std::uint8_t ReadByte();
  // Writes at the position, growing the stream as needed; the position moves past the bytes.
  void Write(std::span<const std::uint8_t> source);
  void Clear();

  std::span<const std::uint8_t> Bytes() const { return data_; }

private:
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};
