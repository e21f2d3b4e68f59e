#include "pace/ChipAuthenticationMapping.h"

#include <optional>

#include <openssl/bn.h>

#include "crypto/AesCipher.h"
#include "crypto/ByteOperations.h"
#include "crypto/ChipAuthPublicKey.h"
#include "crypto/OpenSslPointers.h"
#include "crypto/PaceProtocols.h"
#include "crypto/Padding.h"
#include "crypto/SecretBuffer.h"

namespace {

TCamCheck NotPassed(std::string reason) { return {false, std::move(reason)}; }

}  // namespace

TCamCheck CheckChipAuthenticationMapping(const TCamEvidence& evidence,
                                         std::span<const std::uint8_t> subjectPublicKeyInfo) {
  const TChipPublicKeyDecoding decoded = DecodeChipPublicKey(subjectPublicKeyInfo);
  if (!decoded.Key) return NotPassed("chip key: " + decoded.Failure);
  const TChipPublicKey& key = *decoded.Key;
  if (key.Agreement != TPaceAgreement::Ecdh) return NotPassed("chip key not an EC key");
  const std::optional<TPaceDomain> domain = FindPaceDomain(evidence.ParameterId);
  if (!domain || domain->Name != key.GroupName)
    return NotPassed("chip key on " + key.GroupName + ", not on the curve of parameter id " +
                     std::to_string(evidence.ParameterId));
  if (evidence.CaIc.empty()) return NotPassed("no CA_IC");

  const TSecretBignumPtr caIc(BN_secure_new());
  if (!caIc || !BN_bin2bn(evidence.CaIc.data(), static_cast<int>(evidence.CaIc.size()), caIc.get()))
    return NotPassed("CA_IC not readable");
  // CA_IC · PK_IC; nothing when PK_IC is not a point of the curve or the product is the neutral element.
  const std::optional<TSecretBuffer> product = key.Group->SharedElement(*caIc, key.Key);
  if (!product) return NotPassed("wrong CA_IC");
  if (!SameBytes(product->Bytes(), evidence.ChipMappingKey)) return NotPassed("wrong CA_IC");
  return {true, {}};
}

std::optional<std::vector<std::uint8_t>> DecryptChipAuthenticationData(std::span<const std::uint8_t> encKey,
                                                                       std::span<const std::uint8_t> aIc,
                                                                       std::size_t orderLength) {
  if (aIc.empty() || aIc.size() % kAesBlockSize != 0) return std::nullopt;
  TAesBlock allOnes;
  allOnes.fill(0xFF);
  const TAesBlock iv = AesEncryptBlock(encKey, allOnes);
  TSecretBuffer plain(aIc.size());
  AesCbc(encKey, TAesDirection::Decrypt, iv, aIc, plain.Bytes());
  const std::size_t length = UnpadData(plain.Bytes());
  if (length == plain.size() || length > orderLength) return std::nullopt;
  std::vector<std::uint8_t> caIc(orderLength - length, 0x00);
  caIc.insert(caIc.end(), plain.Bytes().begin(), plain.Bytes().begin() + static_cast<std::ptrdiff_t>(length));
  return caIc;
}
