// Reading documents back from the simulated chip of the tools folder, an
// independent implementation of the card side: whole files byte for byte
// under secure messaging, the counter in step with the chip's.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/FileReading.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakePiccView.h"
#include "tools/simchip/LdsBuilder.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"

namespace {

const std::string kMrzInformation = "L898902C<369080619406236";

// A data group of `size` bytes in all, whose header gives that size.
simchip::TBytes DataGroup(int number, std::size_t size) {
  simchip::TBytes file(size);
  for (std::size_t i = 0; i < size; ++i) file[i] = static_cast<std::uint8_t>(i * 31 + number);
  file[0] = simchip::DataGroupTag(number);
  if (size - 2 < 0x80) {
    file[1] = static_cast<std::uint8_t>(size - 2);
  } else if (size - 3 < 0x100) {
    file[1] = 0x81;
    file[2] = static_cast<std::uint8_t>(size - 3);
  } else {
    file[1] = 0x82;
    file[2] = static_cast<std::uint8_t>((size - 4) >> 8);
    file[3] = static_cast<std::uint8_t>((size - 4) & 0xFF);
  }
  return file;
}

simchip::TLds Document() {
  simchip::TLds lds;
  lds[simchip::DataGroupFileId(1)] = DataGroup(1, 93);
  lds[simchip::DataGroupFileId(11)] = DataGroup(11, 250);
  lds[simchip::DataGroupFileId(2)] = DataGroup(2, 20000);
  lds[simchip::kEfComFileId] = simchip::MakeEfComFor(lds);
  return lds;
}

class SimChipReadBack : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override {
    SetPcscApi(nullptr);
    ResetReaderLink();
  }

  // Puts the chip in the simulated reader and connects as the read command does.
  void Connect(simchip::TSimulatedChip& chip) {
    reader.InsertCard(chip);
    SetPcscApi(&reader);
    ReaderLink().DiscoverReader();
    ASSERT_EQ(ReaderLink().ConnectCard(), 0);
  }

  void ExpectEfCom(const simchip::TLds& lds) {
    const simchip::TBytes& file = lds.at(simchip::kEfComFileId);
    ASSERT_LE(file.size(), efCom.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), efCom.begin()));
  }

  // Reads the data group and checks the stream holds the file from position 0.
  void ExpectReadBack(int number, const simchip::TLds& lds) {
    SCOPED_TRACE(number);
    const simchip::TBytes& file = lds.at(simchip::DataGroupFileId(number));
    view.Lines.clear();
    ReadDataGroup(static_cast<std::uint8_t>(number), stream, session);
    EXPECT_EQ(view.Texts(), (std::vector<std::string>{"Querying file size DG(" + std::to_string(number) + ")",
                                                      "filesize:" + std::to_string(file.size())}));
    ASSERT_GE(stream.Size(), file.size());
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), stream.Bytes().begin()));
  }

  TFakePiccView view;
  simchip::TSimulatedReader reader;
  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session{ctx};
  TMemoryStream stream;
};

TEST_F(SimChipReadBack, WholeDataGroupsUnderSecureMessaging) {
  for (const bool refusePlainSelect : {false, true}) {
    SCOPED_TRACE(refusePlainSelect ? "BAC at the SELECT of EF.COM" : "BAC at the first READ BINARY");
    simchip::TChipOptions options;
    options.RefusePlainSelect = refusePlainSelect;
    const simchip::TLds lds = Document();
    simchip::TSimulatedChip chip(lds, kMrzInformation, options);
    Connect(chip);
    efCom.fill(0);
    stream.Clear();
    view.Lines.clear();

    OpenDocument(kMrzInformation, efCom, session);
    EXPECT_TRUE(view.Lines.empty());
    ASSERT_TRUE(ctx.BacEnabled);
    ExpectEfCom(lds);

    for (const int number : {1, 11, 2}) ExpectReadBack(number, lds);  // 93, 250 and 20000 bytes
    EXPECT_EQ(stream.Size(), 20000u);
    ASSERT_TRUE(chip.SessionOpen());
    EXPECT_EQ(*chip.SessionCounter(), ctx.SSC);
    reader.RemoveCard();
    ResetReaderLink();
  }
}

TEST_F(SimChipReadBack, ProtectedRefusalKeepsTheCounterInStep) {
  simchip::TChipOptions options;
  options.ProtectedErrors = true;
  const simchip::TLds lds = Document();
  simchip::TSimulatedChip chip(lds, kMrzInformation, options);
  Connect(chip);
  OpenDocument(kMrzInformation, efCom, session);
  ASSERT_TRUE(ctx.BacEnabled);

  ReadDataGroup(3, stream, session);  // absent: refused in protected form
  EXPECT_EQ(view.Texts(), std::vector<std::string>{"MrtdBacSelectDG(3) : File not found"});
  EXPECT_EQ(*chip.SessionCounter(), ctx.SSC);
  ExpectReadBack(11, lds);
  EXPECT_EQ(*chip.SessionCounter(), ctx.SSC);
}

TEST_F(SimChipReadBack, WrongMacOfAPieceEndsTheRead) {
  const simchip::TLds lds = Document();
  simchip::TSimulatedChip chip(lds, kMrzInformation);
  Connect(chip);
  OpenDocument(kMrzInformation, efCom, session);
  ASSERT_TRUE(ctx.BacEnabled);
  view.Lines.clear();
  // Third READ BINARY from here: the size read, then the first two pieces.
  chip.AddFault(simchip::TFault::WrongMac(3).ForIns(0xB0));
  ReadDataGroup(11, stream, session);
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"Querying file size DG(11)", "filesize:250",
                                                    "MrtdReadFileEx : Wrong MAC in card's answer"}));
  EXPECT_EQ(stream.Position(), 100u);
}

TEST_F(SimChipReadBack, ChipWithoutBacIsReadInPlain) {
  simchip::TChipOptions options;
  options.RequireBac = false;
  const simchip::TLds lds = Document();
  simchip::TSimulatedChip chip(lds, kMrzInformation, options);
  Connect(chip);
  OpenDocument(kMrzInformation, efCom, session);
  EXPECT_TRUE(view.Lines.empty());
  EXPECT_FALSE(ctx.BacEnabled);
  ExpectEfCom(lds);
  ExpectReadBack(1, lds);
  ExpectReadBack(11, lds);
  EXPECT_FALSE(chip.SessionOpen());
}

}  // namespace

namespace {

// EF.SOD is read like a data group, its lines naming it.
TEST_F(SimChipReadBack, SecurityObjectIsReadLikeADataGroupUnderItsOwnName) {
  simchip::TLds lds = Document();
  simchip::TBytes sod = DataGroup(1, 300);
  sod[0] = 0x77;
  lds[kSecurityObjectFile.Id] = sod;
  simchip::TSimulatedChip chip(lds, kMrzInformation);
  Connect(chip);
  OpenDocument(kMrzInformation, efCom, session);
  ASSERT_TRUE(ctx.BacEnabled);

  EXPECT_EQ(ReadElementaryFile(kSecurityObjectFile, stream, session), TDataGroupRead::Whole);
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"Querying file size SOD", "filesize:300"}));
  EXPECT_TRUE(std::equal(sod.begin(), sod.end(), stream.Bytes().begin()));

  chip.Files().erase(kSecurityObjectFile.Id);
  view.Lines.clear();
  EXPECT_EQ(ReadElementaryFile(kSecurityObjectFile, stream, session), TDataGroupRead::NotRead);
  EXPECT_EQ(view.Texts(), std::vector<std::string>{"MrtdBacSelectSOD : File not found"});
}

}  // namespace
