// READ BINARY under secure messaging: pieces, the end of the file, long answers.

#include <gtest/gtest.h>

#include "ChipHarness.h"

namespace simchip::testing {
namespace {

struct TReadCase {
  std::size_t Offset;
  std::size_t Length;
  std::uint16_t Status;
  std::size_t Returned;  // bytes of data in the answer
};

TEST(ChipRead, ReadsNearAndPastTheEndOfAFile) {
  TChipHarness harness;
  const TBytes& file = harness.Chip.Files()[DataGroupFileId(11)];
  const std::size_t size = file.size();
  ASSERT_GT(size, 260u);
  const std::vector<TReadCase> cases{
      {0, 4, 0x9000, 4},
      {size - 10, 10, 0x9000, 10},   // up to the last byte
      {size - 10, 100, 0x9000, 10},  // across the end: fewer bytes
      {size - 1, 1, 0x9000, 1},
      {size, 1, 0x6B00, 0},                       // at the end
      {size + 5, 4, 0x6B00, 0},                   // beyond it
      {0, 256, 0x9000, kMaxProtectedReadLength},  // Le 00: as much as one short answer holds
  };
  TBacTerminal terminal = harness.Authenticated();
  ASSERT_EQ(terminal.Select(DataGroupFileId(11)).Status, kSwSuccess);
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "offset " << c.Offset << " length " << c.Length);
    const auto answer = terminal.Read(c.Offset, c.Length);
    EXPECT_TRUE(answer.Authentic);
    EXPECT_EQ(answer.Status, c.Status);
    ASSERT_EQ(answer.Data.size(), c.Returned);
    if (c.Returned > 0) {
      EXPECT_TRUE(
          std::equal(answer.Data.begin(), answer.Data.end(), file.begin() + static_cast<std::ptrdiff_t>(c.Offset)));
    }
  }
}

TEST(ChipRead, EndOfFileWarningOnRequest) {
  TChipOptions options;
  options.EndOfFileWarning = true;
  TChipHarness harness(options);
  const std::size_t size = harness.Chip.Files()[DataGroupFileId(1)].size();
  TBacTerminal terminal = harness.Authenticated();
  terminal.Select(DataGroupFileId(1));
  const auto cut = terminal.Read(size - 3, 10);
  EXPECT_EQ(cut.Status, kSwEndOfFileWarning);
  EXPECT_EQ(cut.Data.size(), 3u);
  EXPECT_TRUE(cut.Authentic);
  EXPECT_EQ(terminal.Read(size - 3, 3).Status, kSwSuccess);
}

TEST(ChipRead, LongestProtectedAnswerUsesTheLongLengthFormAndFits255Bytes) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  terminal.Select(DataGroupFileId(11));
  const auto answer = terminal.Read(0, 231);
  EXPECT_EQ(answer.Status, kSwSuccess);
  EXPECT_EQ(answer.Data.size(), 231u);
  const TBytes& raw = harness.Chip.Journal().back().Reply.Answer;
  EXPECT_EQ(raw.size(), 252u);
  EXPECT_EQ(ToHex(std::span(raw).first(4)), "8781E901");
}

TEST(ChipRead, PlainAnswerOf256BytesNeedsMoreThan255BytesOfRoom) {
  TChipOptions options;
  options.RequireBac = false;
  TChipHarness harness(options);
  harness.Exchange(Hex("00A4040C07A0000002471001"));
  harness.Exchange(Hex("00A4020C02010B"));
  EXPECT_TRUE(harness.Exchange(Hex("00B0000000")).empty());
  EXPECT_EQ(static_cast<std::uint32_t>(harness.LastResult), kScardEInsufficientBuffer);
  const TBytes whole = harness.Exchange(Hex("00B0000000"), 258);
  EXPECT_EQ(harness.LastResult, kScardSuccess);
  EXPECT_EQ(whole.size(), 258u);
}

TEST(ChipRead, WholeFilesInPiecesOfAnySize) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  for (const std::size_t piece : {1u, 7u, 100u, 231u}) {
    for (const auto& [fileId, content] : harness.Chip.Files()) {
      SCOPED_TRACE(::testing::Message() << std::hex << fileId << " in pieces of " << std::dec << piece);
      EXPECT_EQ(terminal.ReadFile(fileId, piece), content);
    }
  }
}

TEST(ChipRead, EmptyReadAtTheEndOnRequest) {
  TChipOptions options;
  options.EmptyReadAtEnd = true;
  options.ProtectedErrors = true;
  TChipHarness harness(options);
  const std::size_t size = harness.Chip.Files()[DataGroupFileId(1)].size();
  TBacTerminal terminal = harness.Authenticated();
  ASSERT_EQ(terminal.Select(DataGroupFileId(1)).Status, kSwSuccess);
  for (const std::size_t offset : {size, size + 5}) {
    SCOPED_TRACE(offset);
    const auto answer = terminal.Read(offset, 4);
    EXPECT_TRUE(answer.Authentic);
    EXPECT_EQ(answer.Status, kSwSuccess);
    EXPECT_TRUE(answer.Data.empty());
    // The empty data still comes enciphered: 87 09 01 and one block of padding.
    const TBytes& sent = harness.Chip.Journal().back().Reply.Answer;
    ASSERT_EQ(sent.size(), 11u + 16u);
    EXPECT_EQ(ToHex(std::span(sent).first(3)), "870901");
  }
  // A protected refusal carries no DO'87'.
  EXPECT_EQ(terminal.Select(DataGroupFileId(5)).Status, kSwFileNotFound);
  EXPECT_EQ(ToHex(std::span(harness.Chip.Journal().back().Reply.Answer).first(4)), "99026A82");
  EXPECT_EQ(harness.Chip.Journal().back().Reply.Answer.size(), 16u);

  // In plain: no data and 9000.
  options.RequireBac = false;
  TChipHarness plain(options);
  EXPECT_EQ(ToHex(plain.Exchange(Hex("00A4040C07A0000002471001"))), "9000");
  EXPECT_EQ(ToHex(plain.Exchange(Hex("00A4020C020101"))), "9000");
  TBytes readAtEnd = Hex("00B0");
  readAtEnd.push_back(static_cast<std::uint8_t>(size >> 8));
  readAtEnd.push_back(static_cast<std::uint8_t>(size & 0xFF));
  readAtEnd.push_back(4);
  EXPECT_EQ(ToHex(plain.Exchange(readAtEnd)), "9000");
}

TEST(ChipRead, LongLengthFormOfShortCryptogramsOnRequest) {
  TKeyPair keys;
  keys.Enc.fill(0x13);
  keys.Mac.fill(0x57);
  const TBlock counter{0, 0, 0, 0, 0, 0, 1, 0};
  const TBytes data = Hex("61025F01");
  TSecureChannel shortChannel(keys, counter);
  TSecureChannel longChannel(keys, counter);
  const TBytes shortForm = shortChannel.Wrap(data, kSwSuccess);
  const TBytes longForm = longChannel.Wrap(data, kSwSuccess, {.LongFormLength = true});
  ASSERT_EQ(ToHex(std::span(shortForm).first(3)), "870901");
  ASSERT_EQ(ToHex(std::span(longForm).first(3)), "878109");
  EXPECT_EQ(ToHex(std::span(longForm).subspan(3, 13)), ToHex(std::span(shortForm).subspan(2, 13)));
  EXPECT_NE(ToHex(std::span(longForm).subspan(18, 8)), ToHex(std::span(shortForm).subspan(17, 8)))
      << "the MAC covers the length bytes";

  TTerminalChannel terminal(keys, counter);
  const auto plain = terminal.Unprotect(longForm);
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(ToHex(plain->Data), "61025F01");
  EXPECT_EQ(plain->Status, kSwSuccess);
}

}  // namespace
}  // namespace simchip::testing
