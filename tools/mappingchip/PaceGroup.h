#pragma once
// The groups PACE runs in, by standardized parameter id: elliptic curves
// (ids 8 to 18) and the 1024-bit MODP group with its 160-bit subgroup (id 0).
// A group holds the generator of the current run: the standard one until a
// mapping replaces it, by Generic Mapping (s·G + H) or by Integrated Mapping
// (the point encoding of Rp for curves, Rp^((p-1)/q) for DH).

#include <openssl/bn.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "tools/simchip/Bytes.h"

namespace mappingchip {

using simchip::TBytes;

class TPaceGroup {
public:
  virtual ~TPaceGroup() = default;
  virtual bool IsEllipticCurve() const = 0;
  // The order of the generator (n, or q for DH), for drawing private keys and for Chip Authentication Mapping.
  virtual const BIGNUM& Order() const = 0;
  // The bit length of p, which sets how many blocks Integrated Mapping's pseudo-random function makes.
  virtual int FieldBits() const = 0;

  // The public key of a private key under the current generator: an uncompressed point, or the DH public
  // value at the length of p.
  virtual TBytes PublicKey(const BIGNUM& privateKey) const = 0;
  // The shared secret with a public key sent by the terminal (the x-coordinate, or the DH secret, at the
  // length of p); nothing when the key is not a member of the group.
  virtual std::optional<TBytes> Agree(const BIGNUM& privateKey, std::span<const std::uint8_t> publicKey) const = 0;
  // Generic Mapping: H = privateKey · terminal's mapping key, then the new generator s·G + H.
  virtual bool MapGeneric(const BIGNUM& s, const BIGNUM& privateKey, std::span<const std::uint8_t> terminalKey) = 0;
  // Integrated Mapping on the pseudo-random bytes R(s, t); false when the generator comes out degenerate.
  virtual bool MapIntegrated(std::span<const std::uint8_t> random) = 0;
  // The current generator as a public key is encoded.
  virtual TBytes Generator() const = 0;
};

// The group of a standardized parameter id; nothing for ids this chip does not serve.
std::unique_ptr<TPaceGroup> MakePaceGroup(int parameterId);

}  // namespace mappingchip
