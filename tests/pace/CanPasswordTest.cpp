// The card access number as PACE's password: reference 02, f(π) the CAN's
// characters as they are, K_π = KDF(f(π), 3) (ICAO 9303-11 §4.4.3.3, BSI
// TR-03110-3). K_π is checked against OpenSSL's own SHA-1 and SHA-256 over
// CAN || 00000003, per cipher suite; the handshake with it against OpenPACE's
// chip side is in OpenPaceChipTest.cpp.

#include <gtest/gtest.h>

#include <openssl/sha.h>

#include <string>
#include <vector>

#include "crypto/PaceKdf.h"
#include "pace/PacePassword.h"

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t b : bytes) text += {kDigits[b >> 4], kDigits[b & 15]};
  return text;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct TKpiRow {
  const char* Can;
  TPaceCipher Cipher;
  bool Sha256;  // SHA-256 for AES-192 and AES-256, SHA-1 below
  std::size_t KeyBytes;
};

class CanKpi : public ::testing::TestWithParam<TKpiRow> {};

TEST_P(CanKpi, IsTheKdfOverTheDigitsAsTheyAre) {
  const TKpiRow& row = GetParam();
  const TPacePassword password = CanPassword(Bytes(row.Can));
  EXPECT_EQ(password.Reference, TPasswordReference::Can);
  EXPECT_EQ(static_cast<int>(password.Reference), 0x02);
  EXPECT_EQ(Hex(password.Seed.Bytes()), Hex(Bytes(row.Can))) << "no hash, no check digit";

  std::string input = row.Can;
  input += std::string("\0\0\0\3", 4);
  std::vector<std::uint8_t> digest(row.Sha256 ? SHA256_DIGEST_LENGTH : SHA_DIGEST_LENGTH);
  if (row.Sha256)
    SHA256(Bytes(input).data(), input.size(), digest.data());
  else
    SHA1(Bytes(input).data(), input.size(), digest.data());
  digest.resize(row.KeyBytes);

  const TSecretBuffer kPi = DeriveKey(row.Cipher, password.Seed.Bytes(), kKdfPassword);
  EXPECT_EQ(Hex(kPi.Bytes()), Hex(digest));
}

INSTANTIATE_TEST_SUITE_P(Suites, CanKpi,
                         ::testing::Values(TKpiRow{"123456", TPaceCipher::Aes128, false, 16},
                                           TKpiRow{"000000", TPaceCipher::Aes128, false, 16},
                                           TKpiRow{"271828", TPaceCipher::Aes192, true, 24},
                                           TKpiRow{"987654", TPaceCipher::Aes256, true, 32}));

TEST(CanPassword, DiffersFromTheMrzPasswordOfTheSameText) {
  // The MRZ's f(π) is SHA-1 of its text: the same characters as a CAN give another seed.
  const TPacePassword can = CanPassword(Bytes("123456"));
  const TPacePassword mrz = MrzPassword("123456");
  EXPECT_EQ(mrz.Reference, TPasswordReference::Mrz);
  std::vector<std::uint8_t> sha1(SHA_DIGEST_LENGTH);
  SHA1(Bytes("123456").data(), 6, sha1.data());
  EXPECT_EQ(Hex(mrz.Seed.Bytes()), Hex(sha1));
  EXPECT_NE(Hex(can.Seed.Bytes()), Hex(mrz.Seed.Bytes()));
}

}  // namespace
