#include "jpeg2000/MemoryInput.h"

#include <algorithm>
#include <cstring>

namespace {

// No read-ahead in the library: see the header.
constexpr OPJ_SIZE_T kLibraryBufferSize = 1;
// What the library expects from a read or skip callback at the end of input.
constexpr OPJ_SIZE_T kReadEnd = static_cast<OPJ_SIZE_T>(-1);
constexpr OPJ_OFF_T kSkipEnd = -1;

TMemoryInput& Self(void* self) { return *static_cast<TMemoryInput*>(self); }

}  // namespace

TOpjStreamPtr TMemoryInput::OpenStream() {
  TOpjStreamPtr stream(opj_stream_create(kLibraryBufferSize, OPJ_TRUE));
  if (!stream) return stream;
  opj_stream_set_user_data(stream.get(), this, nullptr);
  opj_stream_set_user_data_length(stream.get(), bytes_.size());
  opj_stream_set_read_function(stream.get(), &TMemoryInput::Read);
  opj_stream_set_skip_function(stream.get(), &TMemoryInput::Skip);
  opj_stream_set_seek_function(stream.get(), &TMemoryInput::Seek);
  return stream;
}

OPJ_SIZE_T TMemoryInput::Read(void* buffer, OPJ_SIZE_T count, void* self) {
  TMemoryInput& input = Self(self);
  const std::size_t available = input.bytes_.size() - input.position_;
  const std::size_t taken = std::min<std::size_t>(count, available);
  if (taken == 0) return kReadEnd;
  std::memcpy(buffer, input.bytes_.data() + input.position_, taken);
  input.position_ += taken;
  return taken;
}

OPJ_OFF_T TMemoryInput::Skip(OPJ_OFF_T count, void* self) {
  TMemoryInput& input = Self(self);
  if (count >= 0) {
    const std::size_t available = input.bytes_.size() - input.position_;
    if (available == 0 && count > 0) return kSkipEnd;
    const std::size_t moved = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), available);
    input.position_ += moved;
    return static_cast<OPJ_OFF_T>(moved);
  }
  const std::size_t moved = std::min<std::uint64_t>(0 - static_cast<std::uint64_t>(count), input.position_);
  input.position_ -= moved;
  return -static_cast<OPJ_OFF_T>(moved);
}

OPJ_BOOL TMemoryInput::Seek(OPJ_OFF_T position, void* self) {
  TMemoryInput& input = Self(self);
  if (position < 0 || static_cast<std::uint64_t>(position) > input.bytes_.size()) return OPJ_FALSE;
  input.position_ = static_cast<std::size_t>(position);
  return OPJ_TRUE;
}
