#pragma once
// An OpenJPEG input stream over bytes held in memory that knows how far the
// library has read. The library's own read-ahead buffer is kept at one byte,
// which makes it pass every request straight to these callbacks, so the
// position here is exactly the library's position in the input: the count of
// bytes the decoder has consumed.

#include <cstddef>
#include <cstdint>
#include <span>

#include "jpeg2000/OpenJpegHandles.h"

class TMemoryInput {
public:
  explicit TMemoryInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  TMemoryInput(const TMemoryInput&) = delete;
  TMemoryInput& operator=(const TMemoryInput&) = delete;

  // A library stream reading from this object, which must outlive it.
  TOpjStreamPtr OpenStream();

  // Bytes read or skipped so far by the library.
  std::size_t Position() const { return position_; }

private:
  static OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T count, void* self);
  static OPJ_OFF_T Skip(OPJ_OFF_T count, void* self);
  static OPJ_BOOL Seek(OPJ_OFF_T position, void* self);

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};
