#include "crypto/PaceProtocols.h"

#include <algorithm>
#include <array>

#include <openssl/obj_mac.h>

namespace {

// 0.4.0.127.0.7.2.2.4: id-PACE.
constexpr std::array<std::uint8_t, 8> kIdPace{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x04};

template <std::uint8_t Mapping, std::uint8_t Suite>
constexpr std::array<std::uint8_t, 10> kPaceOid{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x04, Mapping, Suite};

constexpr std::uint8_t kDhGm = 1;
constexpr std::uint8_t kEcdhGm = 2;
constexpr std::uint8_t kDhIm = 3;
constexpr std::uint8_t kEcdhIm = 4;
constexpr std::uint8_t kEcdhCam = 6;

using enum TPaceAgreement;
using enum TPaceCipher;
using enum TPaceMapping;

// Chip Authentication Mapping is defined with AES only (its data is
// enciphered with AES-CBC), and with ECDH only.
const std::array kProtocols{
    TPaceProtocol{"id-PACE-DH-GM-3DES-CBC-CBC", kPaceOid<kDhGm, 1>, Dh, TripleDes, Generic},
    TPaceProtocol{"id-PACE-DH-GM-AES-CBC-CMAC-128", kPaceOid<kDhGm, 2>, Dh, Aes128, Generic},
    TPaceProtocol{"id-PACE-DH-GM-AES-CBC-CMAC-192", kPaceOid<kDhGm, 3>, Dh, Aes192, Generic},
    TPaceProtocol{"id-PACE-DH-GM-AES-CBC-CMAC-256", kPaceOid<kDhGm, 4>, Dh, Aes256, Generic},
    TPaceProtocol{"id-PACE-ECDH-GM-3DES-CBC-CBC", kPaceOid<kEcdhGm, 1>, Ecdh, TripleDes, Generic},
    TPaceProtocol{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", kPaceOid<kEcdhGm, 2>, Ecdh, Aes128, Generic},
    TPaceProtocol{"id-PACE-ECDH-GM-AES-CBC-CMAC-192", kPaceOid<kEcdhGm, 3>, Ecdh, Aes192, Generic},
    TPaceProtocol{"id-PACE-ECDH-GM-AES-CBC-CMAC-256", kPaceOid<kEcdhGm, 4>, Ecdh, Aes256, Generic},
    TPaceProtocol{"id-PACE-DH-IM-3DES-CBC-CBC", kPaceOid<kDhIm, 1>, Dh, TripleDes, Integrated},
    TPaceProtocol{"id-PACE-DH-IM-AES-CBC-CMAC-128", kPaceOid<kDhIm, 2>, Dh, Aes128, Integrated},
    TPaceProtocol{"id-PACE-DH-IM-AES-CBC-CMAC-192", kPaceOid<kDhIm, 3>, Dh, Aes192, Integrated},
    TPaceProtocol{"id-PACE-DH-IM-AES-CBC-CMAC-256", kPaceOid<kDhIm, 4>, Dh, Aes256, Integrated},
    TPaceProtocol{"id-PACE-ECDH-IM-3DES-CBC-CBC", kPaceOid<kEcdhIm, 1>, Ecdh, TripleDes, Integrated},
    TPaceProtocol{"id-PACE-ECDH-IM-AES-CBC-CMAC-128", kPaceOid<kEcdhIm, 2>, Ecdh, Aes128, Integrated},
    TPaceProtocol{"id-PACE-ECDH-IM-AES-CBC-CMAC-192", kPaceOid<kEcdhIm, 3>, Ecdh, Aes192, Integrated},
    TPaceProtocol{"id-PACE-ECDH-IM-AES-CBC-CMAC-256", kPaceOid<kEcdhIm, 4>, Ecdh, Aes256, Integrated},
    TPaceProtocol{"id-PACE-ECDH-CAM-AES-CBC-CMAC-128", kPaceOid<kEcdhCam, 2>, Ecdh, Aes128, ChipAuthentication},
    TPaceProtocol{"id-PACE-ECDH-CAM-AES-CBC-CMAC-192", kPaceOid<kEcdhCam, 3>, Ecdh, Aes192, ChipAuthentication},
    TPaceProtocol{"id-PACE-ECDH-CAM-AES-CBC-CMAC-256", kPaceOid<kEcdhCam, 4>, Ecdh, Aes256, ChipAuthentication},
};

constexpr std::array kDomains{
    TPaceDomain{0, "1024-bit MODP group with 160-bit prime order subgroup", TPaceAgreement::Dh, 0, "dh_1024_160"},
    TPaceDomain{1, "2048-bit MODP group with 224-bit prime order subgroup", TPaceAgreement::Dh, 0, "dh_2048_224",
                false},
    TPaceDomain{2, "2048-bit MODP group with 256-bit prime order subgroup", TPaceAgreement::Dh, 0, "dh_2048_256",
                false},
    TPaceDomain{8, "NIST P-192", TPaceAgreement::Ecdh, NID_X9_62_prime192v1, {}},
    TPaceDomain{9, "brainpoolP192r1", TPaceAgreement::Ecdh, NID_brainpoolP192r1, {}},
    TPaceDomain{10, "NIST P-224", TPaceAgreement::Ecdh, NID_secp224r1, {}, true, false},
    TPaceDomain{11, "brainpoolP224r1", TPaceAgreement::Ecdh, NID_brainpoolP224r1, {}},
    TPaceDomain{12, "NIST P-256", TPaceAgreement::Ecdh, NID_X9_62_prime256v1, {}},
    TPaceDomain{13, "brainpoolP256r1", TPaceAgreement::Ecdh, NID_brainpoolP256r1, {}},
    TPaceDomain{14, "brainpoolP320r1", TPaceAgreement::Ecdh, NID_brainpoolP320r1, {}},
    TPaceDomain{15, "NIST P-384", TPaceAgreement::Ecdh, NID_secp384r1, {}},
    TPaceDomain{16, "brainpoolP384r1", TPaceAgreement::Ecdh, NID_brainpoolP384r1, {}},
    TPaceDomain{17, "brainpoolP512r1", TPaceAgreement::Ecdh, NID_brainpoolP512r1, {}},
    TPaceDomain{18, "NIST P-521", TPaceAgreement::Ecdh, NID_secp521r1, {}},
};

}  // namespace

std::optional<TPaceProtocol> FindPaceProtocol(std::span<const std::uint8_t> oid) {
  const auto found = std::ranges::find_if(
      kProtocols, [oid](const TPaceProtocol& protocol) { return std::ranges::equal(protocol.Oid, oid); });
  if (found == kProtocols.end()) return std::nullopt;
  return *found;
}

bool IsPaceOid(std::span<const std::uint8_t> oid) {
  return oid.size() > kIdPace.size() && std::ranges::equal(oid.first(kIdPace.size()), kIdPace);
}

std::optional<TPaceDomain> FindPaceDomain(std::uint32_t id) {
  const auto found = std::ranges::find_if(kDomains, [id](const TPaceDomain& domain) { return domain.Id == id; });
  if (found == kDomains.end()) return std::nullopt;
  return *found;
}

std::size_t CipherKeyLength(TPaceCipher cipher) {
  switch (cipher) {
    case TPaceCipher::TripleDes:
    case TPaceCipher::Aes128:
      return 16;
    case TPaceCipher::Aes192:
      return 24;
    case TPaceCipher::Aes256:
      return 32;
  }
  return 16;
}

std::size_t CipherBlockLength(TPaceCipher cipher) { return cipher == TPaceCipher::TripleDes ? 8 : 16; }
