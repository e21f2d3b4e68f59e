#include <gtest/gtest.h>

#include <vector>

#include "card/FileReading.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"
#include "support/SimulatedChipCard.h"

namespace {

// A file of `size` bytes that starts with its own BER-TLV header.
TBytes DataGroupFile(std::uint8_t tag, std::size_t size, std::uint8_t seed) {
  TBytes file(size);
  for (std::size_t i = 0; i < size; ++i) file[i] = static_cast<std::uint8_t>(seed + i * 13);
  file[0] = tag;
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

tMRTD_CTX WorkedExampleSession() {
  tMRTD_CTX ctx{};
  ctx.BacEnabled = true;
  std::ranges::copy(icao::kSessionEnc, ctx.encK.begin());
  std::ranges::copy(icao::kSessionMac, ctx.macK.begin());
  std::ranges::copy(icao::kSscInitial, ctx.SSC.begin());
  return ctx;
}

struct TRead {
  std::uint16_t Offset;
  std::uint16_t Length;
  bool operator==(const TRead&) const = default;
};

// The READ BINARY commands sent, as offset and Le (0 for 256), protected or plain.
std::vector<TRead> Reads(const std::vector<TBytes>& commands) {
  std::vector<TRead> reads;
  for (const auto& c : commands) {
    if (c.size() < 5 || c[1] != 0xB0) continue;
    const auto offset = static_cast<std::uint16_t>(c[2] << 8 | c[3]);
    reads.push_back({offset, c[0] == 0x0C ? c.at(7) : c[4]});
  }
  return reads;
}

std::vector<TRead> ExpectedReads(std::size_t size) {
  std::vector<TRead> reads{{0, 4}};
  for (std::size_t offset = 0; offset < size; offset += 100)
    reads.push_back(
        {static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(std::min<std::size_t>(100, size - offset))});
  return reads;
}

class ReadDataGroupTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    StartChipSession(chip, WorkedExampleSession());
    card.Responder = AnswerFrom(chip);
    view.Progress = 7;
  }
  void TearDown() override { ResetReaderLink(); }

  const TBytes& File(std::uint8_t number) { return chip.Files().at(ChipFileId(number)); }

  TFakePiccView view;
  simchip::TSimulatedChip chip{
      ChipFiles(
          {{1, DataGroupFile(0x61, 93, 1)}, {2, DataGroupFile(0x75, 250, 2)}, {11, DataGroupFile(0x6B, 20000, 3)}}),
      icao::kMrzInformation};
  TFakeCardApi card;
  TMemoryStream stream;
  tMRTD_CTX ctx = WorkedExampleSession();
  TCardSession session = BacSession(ctx);
};

TEST_F(ReadDataGroupTest, ReadsWholeFilesInPiecesOfAtMost100Bytes) {
  int position = view.Progress;
  for (const auto& [number, size] : std::vector<std::pair<std::uint8_t, std::size_t>>{{1, 93}, {2, 250}, {11, 20000}}) {
    SCOPED_TRACE(size);
    view.Lines.clear();
    card.Reset();
    stream.Clear();

    EXPECT_EQ(ReadDataGroup(number, stream, session), TDataGroupRead::Whole);

    EXPECT_EQ(view.Texts(), (std::vector<std::string>{"Querying file size DG(" + std::to_string(number) + ")",
                                                      "filesize:" + std::to_string(size)}));
    ASSERT_EQ(stream.Size(), size);
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_EQ(ToHex(stream.Bytes()), ToHex(File(number)));
    EXPECT_EQ(Reads(card.Commands), ExpectedReads(size));
    EXPECT_EQ(view.ProgressMax, static_cast<int>(size));
    position += static_cast<int>(size);
    EXPECT_EQ(view.Progress, position) << "pieces add to where the previous file left the bar";
    // SELECT and the size read clear the buffers; the piece reads do not.
    ASSERT_EQ(card.ResponseBufferWasClear.size(), card.Commands.size());
    EXPECT_TRUE(card.ResponseBufferWasClear[0]);
    EXPECT_TRUE(card.ResponseBufferWasClear[1]);
    for (std::size_t i = 2; i < card.Commands.size(); ++i) EXPECT_FALSE(card.ResponseBufferWasClear[i]) << i;
    EXPECT_EQ(chip.SessionCounter(), ctx.SSC);
  }
  EXPECT_EQ(card.Commands.size(), 2u + 200u);
}

TEST_F(ReadDataGroupTest, ShorterFileLeavesTheLongerOnesLastBytesInTheStream) {
  ReadDataGroup(2, stream, session);
  ReadDataGroup(1, stream, session);
  ASSERT_EQ(stream.Size(), 250u);
  EXPECT_EQ(stream.Position(), 0u);
  const TBytes& shorter = File(1);
  const TBytes& longer = File(2);
  EXPECT_EQ(ToHex(stream.Bytes().first(93)), ToHex(shorter));
  EXPECT_EQ(ToHex(stream.Bytes().subspan(93)), ToHex(std::span(longer).subspan(93)));
}

TEST_F(ReadDataGroupTest, UnreadableLengthReadsNothing) {
  chip.Files()[ChipFileId(3)] = Hex("FF01020304");
  stream.Write(Hex("AABBCC"));
  EXPECT_EQ(ReadDataGroup(3, stream, session), TDataGroupRead::NotRead);
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"Querying file size DG(3)", "filesize:0"}));
  EXPECT_EQ(view.ProgressMax, 0);
  EXPECT_EQ(view.Progress, 7);
  EXPECT_EQ(card.Commands.size(), 2u);
  EXPECT_EQ(ToHex(stream.Bytes()), "AABBCC");
  EXPECT_EQ(stream.Position(), 0u);
}

struct TGroupCase {
  std::string Name;
  std::function<void(simchip::TSimulatedChip&)> Chip;
  std::map<std::size_t, TFakeCardApi::TTamper> Tamper;
  std::vector<std::string> Lines;
  std::size_t Written;  // bytes of the file in the stream after the stop
};

TEST_F(ReadDataGroupTest, EachFailureLogsItsLineAndStops) {
  const auto noChange = [](simchip::TSimulatedChip&) {};
  const auto refusalsProtected = [](simchip::TSimulatedChip& c) { c.Options().ProtectedErrors = true; };
  const std::string querying = "Querying file size DG(2)";
  const std::vector<TGroupCase> cases{
      {"select fails", noChange, {{0, ConnectionLost}}, {"MrtdBacSelectDG connection error."}, 0},
      {"absent",
       [](simchip::TSimulatedChip& c) { c.Files().erase(ChipFileId(2)); },
       {},
       {"MrtdBacSelectDG(2) : File not found"},
       0},
      {"absent, protected refusal",
       [](simchip::TSimulatedChip& c) {
         c.Files().erase(ChipFileId(2));
         c.Options().ProtectedErrors = true;
       },
       {},
       {"MrtdBacSelectDG(2) : File not found"},
       0},
      {"select refused", noChange, {{0, StatusOnly(0x6D00)}}, {"MrtdBacSelectDG(2) : Bad status word 6D00"}, 0},
      {"select short status", noChange, {{0, StatusOnly(0x0090)}}, {"MrtdBacSelectDG(2) : Bad status word   90"}, 0},
      {"select wrong MAC", noChange, {{0, FlipByte(6)}}, {"MrtdBacSelectDG(2) : Wrong MAC in card's answer"}, 0},
      {"size read fails", noChange, {{1, ConnectionLost}}, {querying, "MrtdReadFileSize connection error."}, 0},
      {"size read: not found",
       noChange,
       {{1, StatusOnly(0x6A82)}},
       {querying, "MrtdReadFileSizeDG(2) : File not found"},
       0},
      {"size read refused",
       noChange,
       {{1, StatusOnly(0x6982)}},
       {querying, "MrtdReadFileSizetDG(2) : Bad status word 6982"},
       0},
      {"size read: protected refusal with a wrong MAC",
       refusalsProtected,
       {{1, [](TAnswer) { return TAnswer{Hex("990269828E080102030405060708 6982")}; }}},
       {querying, "MrtdBacReadFile : Wrong MAC in card's answer"},
       0},
      {"size read too short",
       noChange,
       {{1, [](TAnswer) { return TAnswer{Hex("75824E1C0102039000")}; }}},
       {querying, "Hata #1 : 9"},
       0},
      {"size read wrong MAC",
       noChange,
       {{1, FlipByte(-4)}},
       {querying, "MrtdBacReadFile : Wrong MAC in card's answer"},
       0},
      {"second piece fails",
       noChange,
       {{3, ConnectionLost}},
       {querying, "filesize:250", "MrtdReadFileEx connection error."},
       100},
      {"second piece refused",
       noChange,
       {{3, StatusOnly(0x6B00)}},
       {querying, "filesize:250", "MrtdReadFileEx : Bad status word 6B00"},
       100},
      {"last piece wrong MAC",
       noChange,
       {{4, FlipByte(-3)}},
       {querying, "filesize:250", "MrtdReadFileEx : Wrong MAC in card's answer"},
       200},
      {"first piece too short", noChange, {{2, StatusOnly(0x9000)}}, {querying, "filesize:250", "Hata #1 : 2"}, 0},
      {"first piece unsafe",
       noChange,
       {{2,
         [](TAnswer a) {
           a.Bytes[1] = 0x83;
           return a;
         }}},
       {querying, "filesize:250", "Hata #2 : 131"},
       0},
  };
  const TBytes before(300, 0xEE);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    view.Lines.clear();
    simchip::TSimulatedChip caseChip(ChipFiles({{2, File(2)}}), icao::kMrzInformation);
    StartChipSession(caseChip, WorkedExampleSession());
    c.Chip(caseChip);
    card.Responder = AnswerFrom(caseChip);
    card.Reset();
    card.Tamper = c.Tamper;
    TMemoryStream caseStream;
    caseStream.Write(before);  // position at its end
    tMRTD_CTX record = WorkedExampleSession();
    TCardSession sessionChannel = BacSession(record);

    const TDataGroupRead read = ReadDataGroup(2, caseStream, sessionChannel);

    EXPECT_EQ(view.Texts(), c.Lines);
    // A stop after a piece tells that the stream holds the data group cut off.
    EXPECT_EQ(read, c.Written > 0 ? TDataGroupRead::CutOff : TDataGroupRead::NotRead);
    ASSERT_EQ(caseStream.Size(), before.size()) << "the stream is never shortened";
    EXPECT_EQ(caseStream.Position(), c.Written);
    EXPECT_EQ(ToHex(caseStream.Bytes().first(c.Written)), ToHex(std::span(File(2)).first(c.Written)));
    EXPECT_TRUE(std::all_of(caseStream.Bytes().begin() + static_cast<std::ptrdiff_t>(c.Written),
                            caseStream.Bytes().end(), [](auto b) { return b == 0xEE; }));
  }
}

TEST_F(ReadDataGroupTest, ChipWithoutBacIsSelectedAndReadInPlain) {
  simchip::TSimulatedChip plain(ChipFiles({{1, File(1)}}), icao::kMrzInformation, WithoutBac());
  plain.SelectApplication();
  card.Responder = AnswerFrom(plain);
  tMRTD_CTX record{};
  TCardSession plainChannel(record);
  ReadDataGroup(1, stream, plainChannel);
  ASSERT_GE(card.Commands.size(), 3u);
  EXPECT_EQ(ToHex(card.Commands[0]), "00A4020C020101");
  EXPECT_EQ(ToHex(card.Commands[1]), "00B0000004");
  EXPECT_EQ(ToHex(card.Commands[2]), "00B000005D");
  EXPECT_EQ(ToHex(stream.Bytes()), ToHex(plain.Files().at(ChipFileId(1))));
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"Querying file size DG(1)", "filesize:93"}));
}

TEST_F(ReadDataGroupTest, PlainSelectFailures) {
  struct TCase {
    std::string Name;
    simchip::TChipOptions Options;
    bool HasFile;
    std::map<std::size_t, TFakeCardApi::TTamper> Tamper;
    std::vector<std::string> Lines;
  };
  const simchip::TChipOptions withoutBac = WithoutBac();
  const simchip::TChipOptions bacAtSelect = BacAtSelect();
  const std::vector<TCase> cases{
      {"select fails", withoutBac, true, {{0, ConnectionLost}}, {"MrtdSelectDG connection error."}},
      {"absent", withoutBac, false, {}, {"MrtdSelectDG(1) : File not found"}},
      {"refused", withoutBac, true, {{0, StatusOnly(0x6D00)}}, {"MrtdSelectDG(1) : Bad status word 6D00"}},
      {"plain read of size 5",
       withoutBac,
       true,
       {{1, [](TAnswer) { return TAnswer{Hex("615B5F1F019000")}; }}},
       {"Querying file size DG(1)", "recv_len <>4 :  5"}},
      // A chip that wants BAC after BAC failed: its refusal shows at the size read.
      {"BAC chip, no session",
       bacAtSelect,
       true,
       {},
       {"Querying file size DG(1)", "MrtdReadFileSizetDG(1) : Bad status word 6982"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    view.Lines.clear();
    simchip::TSimulatedChip plain(c.HasFile ? ChipFiles({{1, File(1)}}) : simchip::TLds{}, icao::kMrzInformation,
                                  c.Options);
    plain.SelectApplication();
    card.Responder = AnswerFrom(plain);
    card.Reset();
    card.Tamper = c.Tamper;
    TMemoryStream caseStream;
    tMRTD_CTX record{};
    TCardSession plainChannel(record);
    ReadDataGroup(1, caseStream, plainChannel);
    EXPECT_EQ(view.Texts(), c.Lines);
    EXPECT_EQ(caseStream.Size(), 0u);
  }
}

}  // namespace
