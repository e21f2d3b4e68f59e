#include "pace/ChipAuthenticationMapping.h"

#include <optional>

#include <openssl/bn.h>

#include "crypto/ByteOperations.h"
#include "crypto/ChipAuthPublicKey.h"
#include "crypto/OpenSslPointers.h"
#include "crypto/PaceProtocols.h"

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
