#include <gtest/gtest.h>

#include "pace/CardAccess.h"
#include "support/PaceVectors.h"

namespace {

TPaceInfo Info(const std::string& oid, std::int64_t version, std::optional<std::int64_t> id) {
  return {Hex(oid), version, id};
}

const std::string kEcdhAes128 = "04007F00070202040202";
const std::string kDhGm3Des = "04007F00070202040101";

struct TCardAccessCase {
  const char* Name;
  std::string File;
  std::vector<TPaceInfo> Expected;
};

class CardAccessTable : public ::testing::TestWithParam<TCardAccessCase> {};

TEST_P(CardAccessTable, KeepsEveryPaceInfo) { EXPECT_EQ(ParseCardAccess(Hex(GetParam().File)), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Files, CardAccessTable,
    ::testing::Values(
        TCardAccessCase{"WorkedExample", PublishedVectors("icao-g1").Text("card_access"), {Info(kEcdhAes128, 2, 13)}},
        TCardAccessCase{"RecordedPassport",
                        PublishedVectors("gmrtd-nz-3des").Text("card_access"),
                        {Info("04007F00070202040201", 2, 13)}},
        // Two PACEInfos around a ChipAuthenticationInfo (id-CA-ECDH-AES-CBC-CMAC-128), which is passed over.
        TCardAccessCase{"TwoPaceInfosAndOther",
                        "313C"
                        "3012060A04007F0007020204020202010202010D"
                        "3012060A04007F000702020302020201020201 48"
                        "3012060A04007F0007020204010102010202 0100",
                        {Info(kEcdhAes128, 2, 13), Info(kDhGm3Des, 2, 0)}},
        // A PACEInfo without parameter id is kept as such.
        TCardAccessCase{"NoParameterId", "3111300F060A04007F0007020204020202 0102", {Info(kEcdhAes128, 2, {})}},
        TCardAccessCase{"EmptySet", "3100", {}},
        TCardAccessCase{"SequenceNotSet", "3014 3012060A04007F0007020204020202010202010D", {}},
        TCardAccessCase{"CutShort", "31143012060A04007F0007020204020202010202", {}},
        TCardAccessCase{"LengthBeyondFile", "31153012060A04007F0007020204020202010202010D", {}},
        TCardAccessCase{"VersionNotInteger", "31143012060A04007F0007020204020204010202010D", {}},
        TCardAccessCase{"NotAnOidFirst", "31143012020A04007F0007020204020202010202010D", {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CardAccessTest, LogLineNamesProtocolAndParameters) {
  const std::vector<TPaceInfo> infos{Info(kEcdhAes128, 2, 13), Info(kDhGm3Des, 2, 0), Info(kEcdhAes128, 2, 99),
                                     Info("04007F000702020405 02", 2, 13)};
  EXPECT_EQ(DescribeCardAccess(infos),
            "EF.CardAccess: PACE (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1); "
            "(id-PACE-DH-GM-3DES-CBC-CBC, 1024-bit MODP group with 160-bit prime order subgroup); "
            "(id-PACE-ECDH-GM-AES-CBC-CMAC-128, parameters 99); (0.4.0.127.0.7.2.2.4.5.2, brainpoolP256r1)");
}

}  // namespace
