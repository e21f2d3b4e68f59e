#pragma once
// OpenPACE's BUF_MEM buffers to and from byte strings; freed and wiped.

#include <eac/eac.h>
#include <openssl/buffer.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>

#include "crypto/OpenSslPointers.h"
#include "tools/simchip/Bytes.h"

namespace pacechip {

// BUF_MEM_clear_free is OpenPACE's: it wipes the buffer before freeing it.
using TBuf = TOpenSslPtr<BUF_MEM, BUF_MEM_clear_free>;

inline TBuf BufOf(std::span<const std::uint8_t> bytes) {
  TBuf buffer(BUF_MEM_new());
  if (!buffer || !BUF_MEM_grow(buffer.get(), bytes.size())) throw std::runtime_error("BUF_MEM_grow");
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(buffer->data));
  return buffer;
}

inline simchip::TBytes BytesOf(const BUF_MEM* buffer) {
  if (!buffer) return {};
  const auto* data = reinterpret_cast<const std::uint8_t*>(buffer->data);
  return simchip::TBytes(data, data + buffer->length);
}

}  // namespace pacechip
