#include "crypto/ChipAuthProtocols.h"

#include <algorithm>
#include <array>

namespace {

// 0.4.0.127.0.7.2.2.3: id-CA.
constexpr std::array<std::uint8_t, 8> kIdCa{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x03};

template <std::uint8_t Agreement, std::uint8_t Suite>
constexpr std::array<std::uint8_t, 10> kCaOid{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x03, Agreement, Suite};

template <std::uint8_t Agreement>
constexpr std::array<std::uint8_t, 9> kPkOid{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x01, Agreement};

constexpr std::uint8_t kDh = 1;
constexpr std::uint8_t kEcdh = 2;

const std::array kProtocols{
    TCaProtocol{"id-CA-DH-3DES-CBC-CBC", kCaOid<kDh, 1>, TPaceAgreement::Dh, TPaceCipher::TripleDes},
    TCaProtocol{"id-CA-DH-AES-CBC-CMAC-128", kCaOid<kDh, 2>, TPaceAgreement::Dh, TPaceCipher::Aes128},
    TCaProtocol{"id-CA-DH-AES-CBC-CMAC-192", kCaOid<kDh, 3>, TPaceAgreement::Dh, TPaceCipher::Aes192},
    TCaProtocol{"id-CA-DH-AES-CBC-CMAC-256", kCaOid<kDh, 4>, TPaceAgreement::Dh, TPaceCipher::Aes256},
    TCaProtocol{"id-CA-ECDH-3DES-CBC-CBC", kCaOid<kEcdh, 1>, TPaceAgreement::Ecdh, TPaceCipher::TripleDes},
    TCaProtocol{"id-CA-ECDH-AES-CBC-CMAC-128", kCaOid<kEcdh, 2>, TPaceAgreement::Ecdh, TPaceCipher::Aes128},
    TCaProtocol{"id-CA-ECDH-AES-CBC-CMAC-192", kCaOid<kEcdh, 3>, TPaceAgreement::Ecdh, TPaceCipher::Aes192},
    TCaProtocol{"id-CA-ECDH-AES-CBC-CMAC-256", kCaOid<kEcdh, 4>, TPaceAgreement::Ecdh, TPaceCipher::Aes256},
};

struct TKeyProtocol {
  std::span<const std::uint8_t> Oid;
  TPaceAgreement Agreement;
};
const std::array kKeyProtocols{
    TKeyProtocol{kPkOid<kDh>, TPaceAgreement::Dh},
    TKeyProtocol{kPkOid<kEcdh>, TPaceAgreement::Ecdh},
};

}  // namespace

std::optional<TCaProtocol> FindCaProtocol(std::span<const std::uint8_t> oid) {
  const auto found = std::ranges::find_if(
      kProtocols, [oid](const TCaProtocol& protocol) { return std::ranges::equal(protocol.Oid, oid); });
  if (found == kProtocols.end()) return std::nullopt;
  return *found;
}

bool IsCaOid(std::span<const std::uint8_t> oid) {
  return oid.size() > kIdCa.size() && std::ranges::equal(oid.first(kIdCa.size()), kIdCa);
}

TCaProtocol ImpliedCaProtocol(TPaceAgreement agreement) {
  return *FindCaProtocol(agreement == TPaceAgreement::Dh ? std::span<const std::uint8_t>(kCaOid<kDh, 1>)
                                                         : std::span<const std::uint8_t>(kCaOid<kEcdh, 1>));
}

std::optional<TPaceAgreement> FindCaKeyProtocol(std::span<const std::uint8_t> oid) {
  const auto found =
      std::ranges::find_if(kKeyProtocols, [oid](const TKeyProtocol& key) { return std::ranges::equal(key.Oid, oid); });
  if (found == kKeyProtocols.end()) return std::nullopt;
  return found->Agreement;
}
