// The simulated chip and reader on extended length: the chip takes extended
// commands only with its option (6700 otherwise, plain or protected) and says
// so in its ATR; the reader gives dwMaxAPDUDataSize only when told to.
#include <gtest/gtest.h>

#include "ChipHarness.h"
#include "reader/CardCapabilities.h"
#include "reader/ReaderFeatures.h"
#include "tools/simchip/SimulatedReader.h"

namespace simchip::testing {
namespace {

TEST(ExtendedLengthChip, ExtendedCommandsOnlyWithTheOption) {
  const TBytes extendedSelect = Hex("00A4040C000007A0000002471001");
  const TBytes shortSelect = Hex("00A4040C07A0000002471001");
  for (const bool extended : {false, true}) {
    SCOPED_TRACE(extended ? "ExtendedLength" : "short APDUs only");
    TChipOptions options;
    options.ExtendedLength = extended;
    TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation, options);
    EXPECT_EQ(ToHex(chip.Transmit(extendedSelect).Answer), extended ? "9000" : "6700");
    EXPECT_EQ(ToHex(chip.Transmit(shortSelect).Answer), "9000") << "short ones always";
    EXPECT_EQ(LengthFieldsOfAtr(chip.Atr()), extended ? TAtrLengthFields::Extended : TAtrLengthFields::Unknown);
  }
}

TEST(ExtendedLengthChip, TheReaderSaysWhatItIsTold) {
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  TSimulatedReader reader;
  reader.InsertCard(chip);
  TScardContext context = 0;
  reader.EstablishContext(kScardScopeUser, context);
  TScardHandle card = 0;
  std::uint32_t protocol = 0;
  ASSERT_EQ(
      reader.Connect(context, "Zelvan Virtual ACR122 00 00", kScardShareShared, kScardProtocolAny, card, protocol),
      kScardSuccess);
  EXPECT_EQ(AskMaxApduDataSize(reader, card), 0u);
  reader.SetMaxApduDataSize(65536);
  EXPECT_EQ(AskMaxApduDataSize(reader, card), 65536u);
  EXPECT_EQ(AskMaxApduDataSize(reader, card + 1), 0u) << "no such connection";
}

}  // namespace
}  // namespace simchip::testing
