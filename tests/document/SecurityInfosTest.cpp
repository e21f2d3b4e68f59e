// The SecurityInfos shared by DG14, EF.CardSecurity and EF.CardAccess: the
// real German and Finnish EF.CardSecurity (their content taken out of the CMS
// with OpenSSL here), the German EF.CardAccess, and small sets made here for
// entries that are kept, passed over or refuse the whole set.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <openssl/cms.h>

#include "document/SecurityInfos.h"
#include "support/Hex.h"
#include "support/TestPki.h"

namespace {

TBytes RealFile(const std::string& name) {
  return testpki::ReadFile(std::filesystem::path(ZELVAN_TRUST_TEST_DATA) / "cardsecurity" / name);
}

// The encapsulated content of a CMS SignedData, by OpenSSL.
TBytes SignedContentOf(const TBytes& cms) {
  const unsigned char* cursor = cms.data();
  CMS_ContentInfo* info = d2i_CMS_ContentInfo(nullptr, &cursor, static_cast<long>(cms.size()));
  if (info == nullptr) return {};
  ASN1_OCTET_STRING** content = CMS_get0_content(info);
  TBytes bytes;
  if (content != nullptr && *content != nullptr)
    bytes.assign(ASN1_STRING_get0_data(*content), ASN1_STRING_get0_data(*content) + ASN1_STRING_length(*content));
  CMS_ContentInfo_free(info);
  return bytes;
}

// Protocol OIDs as content octets.
const TBytes kIdTa = Hex("04007F00070202 02");
const TBytes kCaEcdhAes128 = Hex("04007F00070202 03 02 02");
const TBytes kCaEcdh = Hex("04007F00070202 03 02");
const TBytes kPaceGmAes128 = Hex("04007F00070202 04 02 02");
const TBytes kPaceCamAes128 = Hex("04007F00070202 04 06 02");
const TBytes kPaceGmAes256 = Hex("04007F00070202 04 02 04");
const TBytes kPaceCamAes256 = Hex("04007F00070202 04 06 04");
const TBytes kPkEcdh = Hex("04007F00070202 01 02");

// The German passport's PACE-CAM key as the recorded PACE-CAM session gives it
// (its ChipAuthenticationPublicKeyInfo less protocol and keyId).
const TBytes kGermanCamKey =
    Hex("3052300C060704007F0007010202010D03420004614CD88B00821A887869D0060B44A9D18789353E8CF7DFBC3F29F79327DE30B97B1B2D"
        "DA0BE77F24AD415C327C7B7AB2E9C10B0258F5BCBF90C01825FBDFDEF7");

TEST(RealSecurityInfos, GermanCardSecurityHoldsItsSevenEntries) {
  const std::optional<TSecurityInfos> infos =
      ParseSecurityInfos(SignedContentOf(RealFile("DE-passport.cardsecurity.bin")));
  ASSERT_TRUE(infos);
  EXPECT_EQ(infos->Protocols,
            (std::vector<TBytes>{kIdTa, kCaEcdhAes128, kPaceGmAes128, kPaceCamAes128, kCaEcdh, kPkEcdh, kPkEcdh}));
  EXPECT_EQ(infos->PaceInfos, (std::vector<TPaceInfoEntry>{{kPaceGmAes128, 2, 13}, {kPaceCamAes128, 2, 13}}));
  EXPECT_EQ(infos->ChipAuthenticationInfos, (std::vector<TChipAuthenticationInfo>{{kCaEcdhAes128, 2, 72}}));
  ASSERT_EQ(infos->ChipAuthenticationDomainParameters.size(), 1u);
  const TChipAuthenticationDomainParameterInfo& domain = infos->ChipAuthenticationDomainParameters[0];
  EXPECT_EQ(domain.Oid, kCaEcdh);
  EXPECT_EQ(domain.StandardizedId, 13);
  EXPECT_EQ(domain.KeyId, 72);
  EXPECT_EQ(ToHex(domain.DomainParameter), "300C060704007F0007010202010D");
  ASSERT_EQ(infos->ChipAuthenticationPublicKeys.size(), 2u);
  const TChipAuthenticationPublicKeyInfo* camKey = PublicKeyWithId(*infos, 13);
  ASSERT_NE(camKey, nullptr);
  EXPECT_EQ(camKey->Oid, kPkEcdh);
  EXPECT_EQ(camKey->PublicKeyInfo, kGermanCamKey);
  const TChipAuthenticationPublicKeyInfo* caKey = PublicKeyWithId(*infos, 72);
  ASSERT_NE(caKey, nullptr);
  EXPECT_NE(caKey->PublicKeyInfo, kGermanCamKey);
  EXPECT_EQ(PublicKeyWithId(*infos, 16), nullptr);
  EXPECT_FALSE(infos->ActiveAuthentication);
}

TEST(RealSecurityInfos, FinnishCardSecurityHoldsTwoPaceInfosAndItsKey) {
  const std::optional<TSecurityInfos> infos =
      ParseSecurityInfos(SignedContentOf(RealFile("FI-idcard.cardsecurity.bin")));
  ASSERT_TRUE(infos);
  EXPECT_EQ(infos->Protocols, (std::vector<TBytes>{kPaceGmAes256, kPaceCamAes256, kPkEcdh}));
  EXPECT_EQ(infos->PaceInfos, (std::vector<TPaceInfoEntry>{{kPaceGmAes256, 2, 16}, {kPaceCamAes256, 2, 16}}));
  const TChipAuthenticationPublicKeyInfo* key = PublicKeyWithId(*infos, 16);
  ASSERT_NE(key, nullptr);
  // brainpoolP384r1 by its standardized id 16, and an uncompressed point of 97 bytes.
  EXPECT_EQ(ToHex(std::span(key->PublicKeyInfo).first(16)), "3072300C060704007F00070102020110");
  EXPECT_TRUE(infos->ChipAuthenticationInfos.empty());
  EXPECT_TRUE(infos->ChipAuthenticationDomainParameters.empty());
}

TEST(RealSecurityInfos, GermanCardAccessOffersWhatItsCardSecuritySigns) {
  const std::optional<TSecurityInfos> access = ParseSecurityInfos(RealFile("DE-passport.cardaccess.bin"));
  ASSERT_TRUE(access);
  EXPECT_EQ(access->PaceInfos, (std::vector<TPaceInfoEntry>{{kPaceGmAes128, 2, 13}, {kPaceCamAes128, 2, 13}}));
}

// One entry in a SET of its own, and what is kept of it.
struct TEntryCase {
  const char* Name;
  const char* Entry;  // the SEQUENCE, hex
  std::size_t PaceInfos;
  std::size_t DomainParameters;
  std::size_t Protocols;  // entries whose protocol OID was read
};

class OneEntry : public ::testing::TestWithParam<TEntryCase> {};

TEST_P(OneEntry, KeptOrPassedOver) {
  const TBytes entry = Hex(GetParam().Entry);
  const TBytes set = Concat({{0x31, static_cast<std::uint8_t>(entry.size())}, entry});
  const std::optional<TSecurityInfos> infos = ParseSecurityInfos(set);
  ASSERT_TRUE(infos);
  EXPECT_EQ(infos->PaceInfos.size(), GetParam().PaceInfos);
  EXPECT_EQ(infos->ChipAuthenticationDomainParameters.size(), GetParam().DomainParameters);
  EXPECT_EQ(infos->Protocols.size(), GetParam().Protocols);
  EXPECT_TRUE(infos->ChipAuthenticationInfos.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, OneEntry,
    ::testing::Values(
        TEntryCase{"PaceInfo", "3012 060A04007F00070202040202 020102 02010D", 1, 0, 1},
        TEntryCase{"PaceInfoWithoutParameterId", "300F 060A04007F00070202040202 020102", 1, 0, 1},
        TEntryCase{"PaceInfoVersionNotInteger", "3012 060A04007F00070202040202 0C0132 02010D", 0, 0, 1},
        TEntryCase{"PaceInfoParameterIdNotInteger", "3012 060A04007F00070202040202 020102 04010D", 0, 0, 1},
        TEntryCase{"PaceInfoWithAFourthField", "3015 060A04007F00070202040202 020102 02010D 020100", 0, 0, 1},
        // id-PACE-ECDH-GM itself: a PACEDomainParameterInfo's protocol, no PACEInfo's.
        TEntryCase{"PaceDomainParameters", "3019 060904007F000702020402 300C060704007F00070102 020110", 0, 0, 1},
        TEntryCase{"CaDomainParametersWithoutKeyId", "3019 060904007F000702020302 300C060704007F0007010202010D", 0, 1,
                   1},
        TEntryCase{"CaDomainParametersNotAlgorithm", "3011 060904007F000702020302 020102 020148", 0, 0, 1},
        TEntryCase{"NoOid", "3003 020102", 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SecurityInfosSet, RefusedWhenNotOneWholeSet) {
  const TBytes entry = Hex("3012060A04007F00070202040202020102 02010D");
  for (const TBytes& bytes : {Concat({{0x30, 0x14}, entry}), Concat({{0x31, 0x14}, entry, {0x00}}),
                              Concat({{0x31, 0x15}, entry}), TBytes{}}) {
    SCOPED_TRACE(ToHex(bytes));
    EXPECT_FALSE(ParseSecurityInfos(bytes));
  }
}

}  // namespace
