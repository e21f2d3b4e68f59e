#include "tools/simchip/ActiveAuthentication.h"

#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "crypto/OpenSslPointers.h"
#include "tools/simchip/Tlv.h"

namespace simchip {

namespace {

constexpr std::uint16_t kDg14FileId = 0x010E;
constexpr std::uint8_t kTagDg14 = 0x6E;
constexpr std::uint8_t kTagSet = 0x31;
constexpr std::uint8_t kTagSequence = 0x30;
constexpr std::uint8_t kTagOid = 0x06;
// 2.23.136.1.1.5, id-icao-mrtd-security-aaProtocolObject
constexpr std::array<std::uint8_t, 6> kAaProtocolOid{0x67, 0x81, 0x08, 0x01, 0x01, 0x05};

constexpr std::uint8_t kHeader = 0x6A;           // partial recovery, padding field empty
constexpr std::uint8_t kImplicitTrailer = 0xBC;  // SHA-1
constexpr std::uint8_t kExplicitTrailer = 0xCC;  // preceded by the hash identifier

// ISO/IEC 10118-3 hash identifiers of the explicit trailer.
struct THashIdentifier {
  int DigestNid;
  std::uint8_t Identifier;
};
constexpr std::array<THashIdentifier, 4> kHashIdentifiers{{
    {NID_sha256, 0x34},
    {NID_sha512, 0x35},
    {NID_sha384, 0x36},
    {NID_sha224, 0x38},
}};

using TPkeyContext = TEvpPkeyCtxPtr;

// The objects of a constructed value, one after the other.
std::vector<TTlvObject> Children(std::span<const std::uint8_t> value) {
  std::vector<TTlvObject> children;
  for (std::size_t p = 0; p < value.size();) {
    const auto object = ReadTlv(value.subspan(p));
    if (!object) break;
    children.push_back(*object);
    p += object->Size;
  }
  return children;
}

const EVP_MD* DigestOfSignatureOid(std::span<const std::uint8_t> oid) {
  const TBytes der = [&] {
    TBytes bytes{kTagOid, static_cast<std::uint8_t>(oid.size())};
    Append(bytes, oid);
    return bytes;
  }();
  const unsigned char* p = der.data();
  TAsn1ObjectPtr object(d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(der.size())));
  int digestNid = NID_undef;
  if (!object || OBJ_find_sigid_algs(OBJ_obj2nid(object.get()), &digestNid, nullptr) != 1) return nullptr;
  return EVP_get_digestbynid(digestNid);
}

TBytes Digest(const EVP_MD& digest, std::span<const std::uint8_t> data) {
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> hash{};
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), hash.data(), &length, &digest, nullptr) != 1)
    throw std::runtime_error("digest not available");
  return TBytes(hash.begin(), hash.begin() + length);
}

TBytes Trailer(const EVP_MD& digest) {
  if (EVP_MD_get_type(&digest) == NID_sha1) return {kImplicitTrailer};
  const auto found = std::find_if(kHashIdentifiers.begin(), kHashIdentifiers.end(),
                                  [&](const THashIdentifier& h) { return h.DigestNid == EVP_MD_get_type(&digest); });
  if (found == kHashIdentifiers.end()) throw std::runtime_error("no ISO/IEC 9796-2 trailer for this digest");
  return {found->Identifier, kExplicitTrailer};
}

TBytes SignRsa(EVP_PKEY& key, std::span<const std::uint8_t> challenge, const EVP_MD& digest,
               const TRandomFill& random) {
  const auto modulusLength = static_cast<std::size_t>(EVP_PKEY_get_size(&key));
  const TBytes trailer = Trailer(digest);
  const auto hashLength = static_cast<std::size_t>(EVP_MD_get_size(&digest));
  if (modulusLength < 1 + hashLength + trailer.size() + 1) throw std::runtime_error("RSA key too small");
  // F = header || M1 || H(M1 || M2) || trailer, as long as the modulus.
  TBytes m1(modulusLength - 1 - hashLength - trailer.size());
  random(m1);
  TBytes message = m1;
  Append(message, challenge);
  TBytes representative{kHeader};
  Append(representative, m1);
  Append(representative, Digest(digest, message));
  Append(representative, trailer);

  TPkeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, &key, nullptr));
  std::size_t length = modulusLength;
  TBytes signature(modulusLength);
  if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_NO_PADDING) != 1 ||
      EVP_PKEY_sign(context.get(), signature.data(), &length, representative.data(), representative.size()) != 1)
    throw std::runtime_error("the raw RSA operation failed");
  OPENSSL_cleanse(m1.data(), m1.size());
  signature.resize(length);
  return signature;
}

// The length of the curve's field: from the uncompressed public point 04 || x || y.
std::size_t FieldLength(EVP_PKEY& key) {
  unsigned char* point = nullptr;
  const std::size_t length = EVP_PKEY_get1_encoded_public_key(&key, &point);
  OPENSSL_free(point);
  if (length < 3) throw std::runtime_error("an EC key without a public point");
  return (length - 1) / 2;
}

TBytes SignEcdsa(EVP_PKEY& key, std::span<const std::uint8_t> challenge, const EVP_MD& digest) {
  TEvpMdCtxPtr context(EVP_MD_CTX_new());
  std::size_t length = 0;
  if (!context || EVP_DigestSignInit(context.get(), nullptr, &digest, nullptr, &key) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &length, challenge.data(), challenge.size()) != 1)
    throw std::runtime_error("ECDSA not available");
  TBytes der(length);
  if (EVP_DigestSign(context.get(), der.data(), &length, challenge.data(), challenge.size()) != 1)
    throw std::runtime_error("ECDSA signature failed");
  const unsigned char* p = der.data();
  TEcdsaSigPtr signature(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(length)));
  if (!signature) throw std::runtime_error("ECDSA signature unreadable");
  const std::size_t half = FieldLength(key);
  TBytes plain(2 * half);
  if (BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), plain.data(), static_cast<int>(half)) < 0 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), plain.data() + half, static_cast<int>(half)) < 0)
    throw std::runtime_error("ECDSA signature longer than the field");
  return plain;
}

}  // namespace

const EVP_MD* ActiveAuthenticationDigest(const TLds& lds) {
  const auto dg14 = lds.find(kDg14FileId);
  if (dg14 == lds.end()) return nullptr;
  const auto outer = ReadTlv(dg14->second);
  if (!outer || outer->Tag != kTagDg14) return nullptr;
  const auto set = ReadTlv(outer->Value);
  if (!set || set->Tag != kTagSet) return nullptr;
  for (const TTlvObject& info : Children(set->Value)) {
    if (info.Tag != kTagSequence) continue;
    const std::vector<TTlvObject> fields = Children(info.Value);
    // protocol OID, version, signatureAlgorithm OID
    if (fields.size() < 3 || fields[0].Tag != kTagOid || fields[2].Tag != kTagOid) continue;
    if (!std::equal(fields[0].Value.begin(), fields[0].Value.end(), kAaProtocolOid.begin(), kAaProtocolOid.end()))
      continue;
    return DigestOfSignatureOid(fields[2].Value);
  }
  return nullptr;
}

TBytes SignChallenge(EVP_PKEY& key, std::span<const std::uint8_t> challenge, const EVP_MD& rsaDigest,
                     const EVP_MD& ecdsaDigest, const TRandomFill& random) {
  switch (EVP_PKEY_get_base_id(&key)) {
    case EVP_PKEY_RSA:
      return SignRsa(key, challenge, rsaDigest, random);
    case EVP_PKEY_EC:
      return SignEcdsa(key, challenge, ecdsaDigest);
    default:
      throw std::runtime_error("Active Authentication needs an RSA or EC key");
  }
}

}  // namespace simchip
