#pragma once
// The one process-wide source of the terminal's nonce and key material.
// By default it is OpenSSL's CSPRNG (RAND_bytes, fresh bytes on every call);
// tests put a source of known bytes in its place with SetRandomSource().

#include <cstdint>
#include <span>

class TRandomSource {
public:
  virtual ~TRandomSource() = default;
  // Fills every byte of bytes, in order.
  virtual void Fill(std::span<std::uint8_t> bytes) = 0;
};

// The source in use: the system's CSPRNG unless something else was set.
TRandomSource& RandomSource();
// Puts source in place of the system's CSPRNG; nullptr restores it.
void SetRandomSource(TRandomSource* source);
// OpenSSL's CSPRNG. Raises std::runtime_error should it fail to deliver.
TRandomSource& SystemRandomSource();

// Fills bytes with random bytes from the source in use.
void RandomBytes(std::span<std::uint8_t> bytes);
