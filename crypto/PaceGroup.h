#pragma once
// The arithmetic of PACE on one set of domain parameters:
// elliptic curve points (ECDH) or numbers modulo p (DH), on OpenSSL's EC_POINT
// and BIGNUM. The group holds its current generator, first the standard one,
// then the one mapped with the nonce.
//
// Public keys are encoded as they travel: an uncompressed point 04 || x || y,
// or a number big-endian over the length of p. Shared values keep their full
// length (the x coordinate over the field length, K over the length of p,
// leading zero bytes kept).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "crypto/OpenSslPointers.h"
#include "crypto/PaceProtocols.h"
#include "crypto/SecretBuffer.h"

// A private key: cleared when freed.
using TPrivateKey = TSecretBignumPtr;

class TPaceGroup {
public:
  virtual ~TPaceGroup() = default;

  // A private key in 1..order-1 from the random source in use: bytes over the
  // length of the order, cut to its bit length, drawn again until in range.
  virtual TPrivateKey NewPrivateKey() const = 0;
  // The public key of sk over the current generator.
  virtual std::vector<std::uint8_t> PublicKey(const BIGNUM& sk) const = 0;
  // sk times (or to the power of) the peer's public key, in the public key's
  // encoding; nothing when the peer's key is not a valid element of the group.
  virtual std::optional<TSecretBuffer> SharedElement(const BIGNUM& sk, std::span<const std::uint8_t> peer) const = 0;
  // The shared secret of a key agreement: the x coordinate of the shared
  // point, or the shared number; nothing for an invalid peer key.
  virtual std::optional<TSecretBuffer> SharedSecret(const BIGNUM& sk, std::span<const std::uint8_t> peer) const = 0;
  // Replaces the generator with nonce × G + H (ECDH) or g^nonce × h mod p
  // (DH), h the shared element of the mapping. False when h is not valid or
  // the new generator is the neutral element.
  virtual bool MapGenerator(std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> h) = 0;
  // Integrated Mapping: replaces the generator with fG(Rp) (ECDH: the point
  // encoding of 9303-11 Appendix B, p = 3 mod 4) or Rp^((p-1)/q) mod p (DH),
  // where Rp = int(pseudoRandom) mod p. False when the curve's p is not 3 mod 4,
  // Rp is 0 or the new generator is the neutral element.
  virtual bool MapPseudoRandom(std::span<const std::uint8_t> pseudoRandom) = 0;
  // Bit length of the prime p of the field (ECDH) or of the modulus (DH).
  virtual int PrimeBits() const = 0;
  // Byte length of the group order (n of the curve, q of the DH subgroup).
  virtual std::size_t OrderLength() const = 0;
  // The current generator, encoded as a public key.
  virtual std::vector<std::uint8_t> Generator() const = 0;
  // Tag of the public key inside the public key data object: 86 (point), 84 (number).
  virtual std::uint8_t PublicKeyTag() const = 0;
};

// The group of these standard domain parameters. Raises std::runtime_error
// when libcrypto does not have them.
std::unique_ptr<TPaceGroup> MakePaceGroup(const TPaceDomain& domain);
// The group of a copy of this curve (Chip Authentication with a known named
// curve: a copy costs less than making the curve again).
std::unique_ptr<TPaceGroup> MakeEcGroup(const EC_GROUP& curve);
// The DH group of a key's own parameters: prime p, subgroup order q,
// generator g (Chip Authentication with a DH key).
std::unique_ptr<TPaceGroup> MakeDhGroup(const BIGNUM& p, const BIGNUM& q, const BIGNUM& g);
