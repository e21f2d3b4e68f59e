#include "pace/PaceCipherSuite.h"

#include <algorithm>

#include "crypto/AesCipher.h"
#include "crypto/DesCipher.h"
#include "crypto/MrtdContext.h"
#include "crypto/RetailMac.h"

namespace {

// A session record holding only a key for the 3DES primitives: no counter.
struct TDesKeyRecord {
  explicit TDesKeyRecord(std::span<const std::uint8_t> key, bool mac) {
    std::copy_n(key.begin(), std::min<std::size_t>(key.size(), 16), (mac ? record.macK : record.encK).begin());
  }
  ~TDesKeyRecord() {
    WipeBytes(record.encK);
    WipeBytes(record.macK);
  }
  tMRTD_CTX record{};
};

}  // namespace

TSecretBuffer EncryptBlocks(TPaceCipher cipher, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  TSecretBuffer output(data.size() / CipherBlockLength(cipher) * CipherBlockLength(cipher));
  if (cipher == TPaceCipher::TripleDes) {
    TDesKeyRecord record(key, false);
    TDesCbc(TwoKeyTripleDesKeys(record.record.encKa(), record.record.encKb()), TCipherDirection::Encrypt)
        .Process(data.first(output.size()), output.Bytes());
  } else {
    AesCbc(key, TAesDirection::Encrypt, TAesBlock{}, data.first(output.size()), output.Bytes());
  }
  return output;
}

TSecretBuffer DecryptNonce(TPaceCipher cipher, std::span<const std::uint8_t> kPi, std::span<const std::uint8_t> z) {
  TSecretBuffer s(z.size() / CipherBlockLength(cipher) * CipherBlockLength(cipher));
  if (cipher == TPaceCipher::TripleDes) {
    TDesKeyRecord key(kPi, false);
    TDesCbc(TwoKeyTripleDesKeys(key.record.encKa(), key.record.encKb()), TCipherDirection::Decrypt)
        .Process(z.first(s.size()), s.Bytes());
  } else {
    AesCbc(kPi, TAesDirection::Decrypt, TAesBlock{}, z.first(s.size()), s.Bytes());
  }
  return s;
}

TAuthenticationToken AuthenticationToken(TPaceCipher cipher, std::span<const std::uint8_t> macKey,
                                         std::span<const std::uint8_t> publicKeyObject) {
  if (cipher == TPaceCipher::TripleDes) {
    TDesKeyRecord key(macKey, true);
    return ComputeMac(key.record, publicKeyObject);
  }
  return AesCmac8(macKey, publicKeyObject);
}
