#pragma once
// A byte vector for key material of run-time length (PACE nonces, shared
// secrets, session keys of 16 to 32 bytes) that is wiped when it goes away.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "crypto/SecretBytes.h"

class TSecretBuffer {
public:
  TSecretBuffer() = default;
  explicit TSecretBuffer(std::size_t size) : bytes_(size) {}
  explicit TSecretBuffer(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
  TSecretBuffer(const TSecretBuffer&) = delete;
  TSecretBuffer& operator=(const TSecretBuffer&) = delete;
  TSecretBuffer(TSecretBuffer&& other) noexcept : bytes_(std::move(other.bytes_)) {}
  TSecretBuffer& operator=(TSecretBuffer&& other) noexcept {
    Wipe();
    bytes_ = std::move(other.bytes_);
    return *this;
  }
  ~TSecretBuffer() { Wipe(); }

  void Wipe() { WipeBytes(bytes_); }
  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  std::span<std::uint8_t> Bytes() { return bytes_; }
  std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
  std::vector<std::uint8_t> bytes_;
};
