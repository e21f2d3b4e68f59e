// What reader and chip say of their length fields: the reader's PC/SC part 10
// feature list and TLV properties, and the card capabilities in the ATR's
// historical bytes (ISO/IEC 7816-4 compact TLV), for the ATR forms PC/SC
// part 3 gives contactless cards and a contact card's.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "reader/CardCapabilities.h"
#include "reader/ReaderFeatures.h"
#include "support/Hex.h"
#include "support/ScriptedCard.h"

namespace {

struct TAtrCase {
  const char* Name;
  const char* Atr;
  TAtrLengthFields Fields;
};

const TAtrCase kAtrs[] = {
    // PC/SC part 3, type B: the ATQB's application data, protocol
    // information and MBLI, never card capabilities (the simulated chip's).
    {"type B (ATQB bytes)", "3B888001000000000081710079", TAtrLengthFields::Unknown},
    // PC/SC part 3, a storage card (MIFARE Classic 1K): 80 4F 0C RID ... is
    // no compact TLV that fits its bytes.
    {"storage card", "3B8F8001804F0CA000000306030001000000006A", TAtrLengthFields::Unknown},
    // Type A, the ATS's historical bytes: category 80, card capabilities 73.
    {"type A, extended Lc and Le", "3B858001807380014036", TAtrLengthFields::Extended},
    {"type A, card service data before, chaining, extended, EF.ATR/INFO", "3B878001803184730180E021",
     TAtrLengthFields::Extended},
    {"type A, command chaining only", "3B8580018073800180F6", TAtrLengthFields::Short},
    {"type A, card capabilities of two bytes", "3B84800180728001", TAtrLengthFields::Unknown},
    {"category 00: objects, then three status bytes", "3B8880010073000040009000AA", TAtrLengthFields::Extended},
    {"category 10: a DIR data reference", "3B82800110017C", TAtrLengthFields::Unknown},
    // Contact, T=1: TA1 TC1 TD1, TD2 with TA3 TB3 TD3, TD3 with TA4, then
    // five historical bytes with the card capabilities C8 21 C0.
    {"contact T=1 with interface bytes", "3BD518FF81B1FE451F038073C821C07F", TAtrLengthFields::Extended},
    {"no historical bytes", "3B80800101", TAtrLengthFields::Unknown},
    {"cut short in the historical bytes", "3B888001000000", TAtrLengthFields::Unknown},
    {"TD1 announced but missing", "3B80", TAtrLengthFields::Unknown},
};

TEST(CardCapabilities, LengthFieldsOfTheAtr) {
  for (const TAtrCase& c : kAtrs) EXPECT_EQ(LengthFieldsOfAtr(Hex(c.Atr)), c.Fields) << c.Name;
}

TEST(CardCapabilities, HistoricalBytesBehindTheInterfaceBytes) {
  EXPECT_EQ(ToHex(*HistoricalBytes(Hex("3BD518FF81B1FE451F038073C821C07F"))), "8073C821C0");
  EXPECT_EQ(ToHex(*HistoricalBytes(Hex("3B858001807380014036"))), "8073800140");
  EXPECT_FALSE(HistoricalBytes(Hex("3B8F8001")));
}

struct TPropertiesCase {
  const char* Name;
  const char* Properties;
  std::uint32_t MaxData;
};

const TPropertiesCase kProperties[] = {
    {"none", "", 0},
    {"other properties only",
     "01020000"
     "0201FF",
     0},
    {"65536 bytes", "0A0400000100", 65536},
    {"261 bytes after wLcdLayout and bTimeOut2",
     "01020000"
     "030100"
     "0A0405010000",
     261},
    {"0: short APDUs only", "0A0400000000", 0},
    {"of two bytes, not four", "0A020001", 0},
    {"cut short", "0A040000", 0},
    {"an earlier property cut short", "0105000000", 0},
};

TEST(ReaderFeatures, MaxApduDataSizeAmongTheTlvProperties) {
  for (const TPropertiesCase& c : kProperties) EXPECT_EQ(MaxApduDataSize(Hex(c.Properties)), c.MaxData) << c.Name;
}

struct TFeatureCase {
  const char* Name;
  const char* Features;
  std::optional<std::uint32_t> Code;
};

const TFeatureCase kFeatures[] = {
    {"none", "", std::nullopt},
    {"the TLV properties alone", "120442330012", 0x42330012},
    {"after FEATURE_VERIFY_PIN_DIRECT",
     "060442000DB2"
     "120442000DB8",
     0x42000DB8},
    {"only others",
     "060442000DB2"
     "0A0442330A0A",
     std::nullopt},
    {"an entry not of four bytes before it",
     "0602FFFF"
     "120442330012",
     std::nullopt},
};

TEST(ReaderFeatures, TheTlvPropertiesFeatureInTheFeatureList) {
  for (const TFeatureCase& c : kFeatures) EXPECT_EQ(FindFeature(Hex(c.Features), 0x12), c.Code) << c.Name;
}

TEST(ReaderFeatures, AskedThroughTheSeam) {
  TScriptedCard reader;
  EXPECT_EQ(AskMaxApduDataSize(reader, 1), 0u) << "a reader that takes no SCardControl";
  reader.MaxApduDataSize = 65536;
  EXPECT_EQ(AskMaxApduDataSize(reader, 1), 65536u);
}

}  // namespace
