#include "pace/CardAccess.h"

#include <climits>
#include <memory>

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "crypto/ObjectIdentifier.h"
#include "crypto/OpenSslPointers.h"
#include "crypto/PaceProtocols.h"

namespace {

std::optional<std::int64_t> IntegerOf(const ASN1_TYPE* value) {
  std::int64_t number = 0;
  if (ASN1_TYPE_get(value) != V_ASN1_INTEGER || ASN1_INTEGER_get_int64(&number, value->value.integer) != 1)
    return std::nullopt;
  return number;
}

// One SecurityInfo: SEQUENCE { protocol OID, required data, optional data }.
std::optional<TPaceInfo> PaceInfoOf(const ASN1_TYPE* entry) {
  if (ASN1_TYPE_get(entry) != V_ASN1_SEQUENCE) return std::nullopt;
  const ASN1_STRING* encoded = entry->value.sequence;
  const unsigned char* cursor = ASN1_STRING_get0_data(encoded);
  const long length = ASN1_STRING_length(encoded);
  const TAsn1TypeStackPtr fields(d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, length));
  if (!fields || sk_ASN1_TYPE_num(fields.get()) < 2) return std::nullopt;
  const ASN1_TYPE* protocol = sk_ASN1_TYPE_value(fields.get(), 0);
  if (ASN1_TYPE_get(protocol) != V_ASN1_OBJECT) return std::nullopt;
  const ASN1_OBJECT* oid = protocol->value.object;
  const std::span<const std::uint8_t> oidBytes(OBJ_get0_data(oid), OBJ_length(oid));
  if (!IsPaceOid(oidBytes)) return std::nullopt;

  TPaceInfo info;
  info.Oid.assign(oidBytes.begin(), oidBytes.end());
  const std::optional<std::int64_t> version = IntegerOf(sk_ASN1_TYPE_value(fields.get(), 1));
  if (!version) return std::nullopt;
  info.Version = *version;
  if (sk_ASN1_TYPE_num(fields.get()) > 2) {
    info.ParameterId = IntegerOf(sk_ASN1_TYPE_value(fields.get(), 2));
    if (!info.ParameterId) return std::nullopt;
  }
  return info;
}

}  // namespace

std::vector<TPaceInfo> ParseCardAccess(std::span<const std::uint8_t> file) {
  std::vector<TPaceInfo> infos;
  if (file.empty() || file.size() > static_cast<std::size_t>(LONG_MAX)) return infos;
  const unsigned char* cursor = file.data();
  const TAsn1TypeStackPtr entries(d2i_ASN1_SET_ANY(nullptr, &cursor, static_cast<long>(file.size())));
  if (!entries) return infos;
  for (int i = 0; i < sk_ASN1_TYPE_num(entries.get()); ++i)
    if (std::optional<TPaceInfo> info = PaceInfoOf(sk_ASN1_TYPE_value(entries.get(), i)))
      infos.push_back(std::move(*info));
  return infos;
}

std::string DescribePaceInfo(const TPaceInfo& info) {
  const std::optional<TPaceProtocol> protocol = FindPaceProtocol(info.Oid);
  std::string text = protocol ? std::string(protocol->Name) : DottedOid(info.Oid);
  if (!info.ParameterId) return text + ", no parameter id";
  const std::optional<TPaceDomain> domain = *info.ParameterId >= 0 && *info.ParameterId <= 0xFFFF
                                                ? FindPaceDomain(static_cast<std::uint32_t>(*info.ParameterId))
                                                : std::nullopt;
  return text + ", " + (domain ? std::string(domain->Name) : "parameters " + std::to_string(*info.ParameterId));
}

std::string DescribeCardAccess(std::span<const TPaceInfo> infos) {
  std::string line = "EF.CardAccess: PACE";
  if (infos.empty()) return line + " not offered";
  for (std::size_t i = 0; i < infos.size(); ++i) line += (i == 0 ? " (" : "; (") + DescribePaceInfo(infos[i]) + ")";
  return line;
}
