// DG1's issuing state as a two-letter country, and the LDS security object.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "passiveauth/CountryCodes.h"
#include "passiveauth/SecurityObject.h"

namespace {

struct TCodeCase {
  const char* IssuingState;
  std::optional<std::string> Country;
};

TEST(TwoLetterCountry, MapsIsoAndIcaoCodes) {
  const TCodeCase cases[] = {
      {"TUR", "TR"}, {"NLD", "NL"}, {"D<<", "DE"}, {"D", "DE"},   {"GBR", "GB"}, {"GBD", "GB"},
      {"GBN", "GB"}, {"GBO", "GB"}, {"GBP", "GB"}, {"GBS", "GB"}, {"RKS", "XK"}, {"EUE", "EU"},
      {"UTO", {}},   {"UNO", {}},   {"XXA", {}},   {"DEU", "DE"}, {"", {}},      {"tur", {}},
  };
  for (const TCodeCase& code : cases) EXPECT_EQ(TwoLetterCountry(code.IssuingState), code.Country) << code.IssuingState;
}

TEST(SecurityObject, VersionsZeroAndOneRoundTrip) {
  for (const long version : {0L, 1L}) {
    TSecurityObject object;
    object.Version = version;
    object.HashAlgorithm = "SHA384";
    object.Hashes = {{1, std::vector<std::uint8_t>(48, 0x11)}, {15, std::vector<std::uint8_t>(48, 0xF0)}};
    if (version == 1) {
      object.LdsVersion = "0108";
      object.UnicodeVersion = "040000";
    }
    const auto decoded = DecodeSecurityObject(EncodeSecurityObject(object));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->Version, version);
    EXPECT_EQ(decoded->HashAlgorithm, "SHA384");
    EXPECT_EQ(decoded->Hashes, object.Hashes);
    EXPECT_EQ(decoded->LdsVersion, object.LdsVersion);
    EXPECT_EQ(decoded->UnicodeVersion, object.UnicodeVersion);
  }
}

// A version that does not match the optional part, a byte after the end and
// a data group number out of range are each refused.
TEST(SecurityObject, RefusesWhatIsNotOne) {
  TSecurityObject object;
  object.HashAlgorithm = "SHA256";
  object.Hashes = {{1, std::vector<std::uint8_t>(32, 1)}, {2, std::vector<std::uint8_t>(32, 2)}};
  // Version 0 encoded, then its version INTEGER (02 01 00, the first one) made 1.
  auto versionOneWithoutInfo = EncodeSecurityObject(object);
  const std::vector<std::uint8_t> versionZero{0x02, 0x01, 0x00};
  const auto version =
      std::search(versionOneWithoutInfo.begin(), versionOneWithoutInfo.end(), versionZero.begin(), versionZero.end());
  ASSERT_NE(version, versionOneWithoutInfo.end());
  version[2] = 0x01;
  auto trailing = EncodeSecurityObject(object);
  trailing.push_back(0);
  auto numberOutOfRange = object;
  numberOutOfRange.Hashes[17] = std::vector<std::uint8_t>(32, 3);
  EXPECT_FALSE(DecodeSecurityObject(versionOneWithoutInfo).has_value());
  EXPECT_FALSE(DecodeSecurityObject(trailing).has_value());
  EXPECT_FALSE(DecodeSecurityObject(EncodeSecurityObject(numberOutOfRange)).has_value());
  EXPECT_TRUE(DecodeSecurityObject(EncodeSecurityObject(object)).has_value());
}

}  // namespace
