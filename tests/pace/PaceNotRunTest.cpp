// PACE that is not run: a PACEInfo the program cannot use is no failure, and
// parameters that need extended length the reader or the chip lacks are told
// apart from the rest. Nothing is sent to the card, and BAC may follow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/CardSession.h"
#include "pace/PaceAuthentication.h"
#include "reader/ApduExchange.h"
#include "support/FakePiccView.h"
#include "support/Hex.h"
#include "support/ScriptedCard.h"

namespace {

TPaceInfo Info(const std::string& oid, std::optional<std::int64_t> id) { return {Hex(oid), 2, id}; }

const std::string kEcdhGmAes128 = "04007F00070202040202";
const std::string kDhGm3Des = "04007F00070202040101";
const std::string kUnknownMapping = "04007F00070202040502";  // no mapping 5
const std::string kEcdhImAes128 = "04007F00070202040402";

struct TCase {
  const char* Name;
  std::vector<TPaceInfo> Infos;
  std::string Line;
  TLengthLimits Lengths{};  // short APDUs on both sides unless given
};

constexpr TLengthLimits kExtendedReader{.ReaderMaxData = 65536};
const TLengthLimits kExtendedChip = ChipWithExtendedLength({});

TEST(PaceNotRun, SaysWhyAndSendsNothing) {
  const std::vector<TCase> cases{
      {"a mapping the program does not know",
       {Info(kUnknownMapping, 13)},
       "PACE: not used (protocol 0.4.0.127.0.7.2.2.4.5.2 not supported)"},
      {"Integrated Mapping on NIST P-224 (p is not 3 mod 4)",
       {Info(kEcdhImAes128, 10)},
       "PACE: not used (parameter id 10 does not suit id-PACE-ECDH-IM-AES-CBC-CMAC-128)"},
      {"proprietary parameters", {Info(kEcdhGmAes128, {})}, "PACE: not used (no standardized domain parameters)"},
      {"unknown parameter id and a DH id for ECDH",
       {Info(kEcdhGmAes128, 99), Info(kEcdhGmAes128, 0)},
       "PACE: not used (parameter id 99 unknown; parameter id 0 does not suit id-PACE-ECDH-GM-AES-CBC-CMAC-128)"},
      {"the 2048-bit DH group beside an unusable one",
       {Info(kUnknownMapping, 13), Info(kDhGm3Des, 1)},
       "PACE: not possible (2048-bit MODP group with 224-bit prime order subgroup keys need extended-length APDUs; "
       "the reader has short APDUs only)"},
      {"the 2048-bit DH group, extended length on the reader only",
       {Info(kDhGm3Des, 2)},
       "PACE: not possible (2048-bit MODP group with 256-bit prime order subgroup keys need extended-length APDUs; "
       "the chip has short APDUs only)",
       kExtendedReader},
      {"the 2048-bit DH group, extended length on the chip only",
       {Info(kDhGm3Des, 1)},
       "PACE: not possible (2048-bit MODP group with 224-bit prime order subgroup keys need extended-length APDUs; "
       "the reader has short APDUs only)",
       kExtendedChip},
      {"the 2048-bit DH group, a reader that says 256 bytes (short APDUs)",
       {Info(kDhGm3Des, 1)},
       "PACE: not possible (2048-bit MODP group with 224-bit prime order subgroup keys need extended-length APDUs; "
       "the reader has short APDUs only)",
       ChipWithExtendedLength({.ReaderMaxData = 256})},
  };
  for (const TCase& c : cases) {
    TScriptedCard card;
    ResetReaderLink();
    SetPcscApi(&card);
    TFakePiccView view;
    tMRTD_CTX record{};
    TCardSession session(record);
    session.SetLengths(c.Lengths);
    const TPaceResult result = PerformPace(MrzPassword("L898902C<369080619406236"), c.Infos, session);
    EXPECT_EQ(result.Outcome, TPaceOutcome::NotRun) << c.Name;
    EXPECT_EQ(view.Texts(), std::vector<std::string>{c.Line}) << c.Name;
    EXPECT_TRUE(card.Commands.empty()) << c.Name;
    SetPcscApi(nullptr);
  }
}

}  // namespace
