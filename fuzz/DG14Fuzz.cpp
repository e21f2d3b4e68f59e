// ParseDG14 and the choice of Chip Authentication over any DG14, then the
// chosen key decoded and, on a curve or group the program takes, a shared
// secret agreed with it: what is kept must carry the OIDs it is kept for, the
// choice must name a known protocol and one of the file's keys, and a key
// taken must be of the protocol's kind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "crypto/ChipAuthProtocols.h"
#include "crypto/ChipAuthPublicKey.h"
#include "crypto/RandomSource.h"
#include "document/DG14.h"
#include "fuzz/FuzzSupport.h"
#include "support/SeededRandomSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<TDG14> dg14 = ParseDG14(std::span<const std::uint8_t>(data, size));
  if (!dg14) return 0;
  for (const TChipAuthenticationInfo& info : dg14->ChipAuthenticationInfos)
    if (!IsCaOid(info.Oid)) Finding("ChipAuthenticationInfo kept with another OID");
  for (const TChipAuthenticationPublicKeyInfo& key : dg14->ChipAuthenticationPublicKeys)
    if (!FindCaKeyProtocol(key.Oid)) Finding("public key kept with another OID");

  const std::optional<TChipAuthenticationKey> chosen = ChooseChipAuthentication(*dg14);
  if (!chosen) return 0;
  const std::optional<TCaProtocol> protocol = FindCaProtocol(chosen->ProtocolOid);
  if (!protocol) Finding("Chip Authentication chosen over an unknown protocol");
  if (std::ranges::none_of(dg14->ChipAuthenticationPublicKeys,
                           [&](const auto& key) { return key.PublicKeyInfo == chosen->PublicKeyInfo; }))
    Finding("chosen key is none of the file's");

  const TChipPublicKeyDecoding decoded = DecodeChipPublicKey(chosen->PublicKeyInfo);
  if (!decoded.Key) {
    if (decoded.Failure.empty()) Finding("key refused without a reason");
    return 0;
  }
  if (decoded.Key->Agreement != protocol->Agreement) return 0;
  TSeededRandomSource random(9303);  // the terminal's ephemeral key from fixed bytes, so that a run repeats
  random.Recording = false;
  SetRandomSource(&random);
  const TPrivateKey ephemeral = decoded.Key->Group->NewPrivateKey();
  const std::optional<TSecretBuffer> secret = decoded.Key->Group->SharedSecret(*ephemeral, decoded.Key->Key);
  SetRandomSource(nullptr);
  if (secret && secret->size() == 0) Finding("empty shared secret");
  return 0;
}
