#include "document/DG14.h"

#include <algorithm>

#include "card/BerLength.h"
#include "crypto/ChipAuthProtocols.h"
#include "crypto/ObjectIdentifier.h"

namespace {

constexpr std::uint8_t kDG14Tag = 0x6E;

using TBytes = std::vector<std::uint8_t>;

bool KeyFits(const TChipAuthenticationPublicKeyInfo& key, TPaceAgreement agreement) {
  const std::optional<TPaceAgreement> kind = FindCaKeyProtocol(key.Oid);
  return kind && *kind == agreement;
}

}  // namespace

std::optional<TDG14> ParseDG14(std::span<const std::uint8_t> file) {
  if (file.size() < 2 || file[0] != kDG14Tag) return std::nullopt;
  const std::optional<TBerLength> length = ParseBerLength(file.subspan(1));
  if (!length || 1 + length->FieldSize + length->Value != file.size()) return std::nullopt;
  return ParseSecurityInfos(file.subspan(1 + length->FieldSize));
}

std::vector<TChipAuthenticationOption> ChipAuthenticationOptions(const TDG14& dg14) {
  const auto& keys = dg14.ChipAuthenticationPublicKeys;
  std::vector<TChipAuthenticationOption> options;
  if (dg14.ChipAuthenticationInfos.empty()) {
    // Keys alone: the protocol of their kind with 3DES.
    for (const TChipAuthenticationPublicKeyInfo& key : keys)
      if (const std::optional<TPaceAgreement> kind = FindCaKeyProtocol(key.Oid))
        options.push_back(
            {TChipAuthenticationKey{TBytes(ImpliedCaProtocol(*kind).Oid.begin(), ImpliedCaProtocol(*kind).Oid.end()),
                                    key.KeyId, key.PublicKeyInfo, false},
             {}});
    return options;
  }
  for (const TChipAuthenticationInfo& info : dg14.ChipAuthenticationInfos) {
    const std::optional<TCaProtocol> protocol = FindCaProtocol(info.Oid);
    if (!protocol) {
      options.push_back({std::nullopt, "protocol " + DottedOid(info.Oid) + " not known"});
      continue;
    }
    if (info.Version != 1) {
      options.push_back({std::nullopt, "version " + std::to_string(info.Version)});
      continue;
    }
    const auto fits = [&](const TChipAuthenticationPublicKeyInfo& key) {
      return KeyFits(key, protocol->Agreement) && (!info.KeyId || key.KeyId == info.KeyId);
    };
    const auto count = std::ranges::count_if(keys, fits);
    if (count == 1)
      options.push_back(
          {TChipAuthenticationKey{info.Oid, info.KeyId, std::ranges::find_if(keys, fits)->PublicKeyInfo, true}, {}});
    else if (count == 0)
      options.push_back({std::nullopt, info.KeyId ? "no key with keyId " + std::to_string(*info.KeyId)
                                                  : std::string("no key of its kind")});
    else
      options.push_back({std::nullopt, std::to_string(count) + " keys and no keyId to choose between them"});
  }
  return options;
}

std::optional<TChipAuthenticationKey> ChooseChipAuthentication(const TDG14& dg14) {
  for (TChipAuthenticationOption& option : ChipAuthenticationOptions(dg14))
    if (option.Key) return std::move(option.Key);
  return std::nullopt;
}
