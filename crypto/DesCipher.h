#pragma once
// DES and triple DES in CBC mode over whole 8-byte blocks, on OpenSSL's
// libcrypto. Everything runs as DES-EDE3 (E(K1) D(K2) E(K3)): two-key triple
// DES is K1, K2, K1, and single DES is K, K, K, which equals one DES
// operation under K. That keeps single DES off OpenSSL's legacy provider.

#include <cstdint>
#include <memory>
#include <span>

#include "crypto/MrtdContext.h"
#include "crypto/OpenSslPointers.h"

using TDesKey = std::span<const std::uint8_t, 8>;

enum class TCipherDirection { Encrypt, Decrypt };

// The three DES keys of one cipher.
struct TDesKeys {
  TDesKey K1;
  TDesKey K2;
  TDesKey K3;
};

// Sets every byte to odd parity by flipping its lowest bit where needed.
void AdjustDesParity(std::span<std::uint8_t, 8> key);

inline TDesKeys SingleDesKeys(TDesKey key) { return {key, key, key}; }
inline TDesKeys TwoKeyTripleDesKeys(TDesKey ka, TDesKey kb) { return {ka, kb, ka}; }

// One freshly keyed CBC cipher. The chaining value carries from one Process
// call to the next within this object only; the destructor frees the cipher
// context, which wipes its key schedule and chaining value.
class TDesCbc {
public:
  TDesCbc(const TDesKeys& keys, TCipherDirection direction, const t64Bit& iv = t64Bit{});
  TDesCbc(const TDesCbc&) = delete;
  TDesCbc& operator=(const TDesCbc&) = delete;

  // Processes input.size() / 8 whole blocks into output (at least as long).
  void Process(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

private:
  TEvpCipherCtxPtr context_;
};

// One DES block under one key (the raw block operation, for callers and tests).
t64Bit DesBlock(TDesKey key, TCipherDirection direction, const t64Bit& block);
