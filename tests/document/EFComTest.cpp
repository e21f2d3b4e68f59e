#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LdsBytes.h"
#include "document/EFCom.h"

namespace {

using TEFCom = std::array<std::uint8_t, kEFComBufferSize>;

// EF.COM with LDS 0107, Unicode 040000 and the given tag list object.
TEFCom EFComWith(const TBytes& tagList) {
  const TBytes file =
      Concat({{0x60, 0x16, 0x5F, 0x01, 0x04}, Ascii("0107"), {0x5F, 0x36, 0x06}, Ascii("040000"), tagList});
  TEFCom buffer{};
  std::copy(file.begin(), file.end(), buffer.begin());
  return buffer;
}

TBytes TagList(std::size_t count, std::uint8_t tag) {
  TBytes list{0x5C, static_cast<std::uint8_t>(count)};
  list.insert(list.end(), count, tag);
  return list;
}

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(DecodeEFCom, VersionsAndDataGroupLists) {
  struct TCase {
    const char* Name;
    TBytes TagList;
    std::string DataGroups;
  };
  const std::vector<TCase> cases{
      {"three groups", {0x5C, 0x03, 0x61, 0x75, 0x6B}, "DG1,DG2,DG11"},
      {"list order kept", {0x5C, 0x02, 0x75, 0x61}, "DG2,DG1"},
      {"every group", Concat({{0x5C, 16}, Ascii("aucvefghijklmnop")}),
       "DG1,DG2,DG3,DG4,DG5,DG6,DG7,DG8,DG9,DG10,DG11,DG12,DG13,DG14,DG15,DG16"},
      {"unknown tags skipped", {0x5C, 0x05, 0x41, 0x00, 0x61, 0xFF, 0x62}, "DG1"},
      {"empty list", {0x5C, 0x00}, ""},
      {"no tag list", {0x5D, 0x02, 0x61, 0x75}, ""},
      {"25 DG1 fill the list, later ones are dropped", TagList(30, 0x61), Repeat(",DG1", 25).substr(1)},
      {"20 DG11 fill the list", TagList(21, 0x6B), Repeat(",DG11", 20).substr(1)},
      {"an entry past the capacity is cut", Concat({{0x5C, 21, 0x61}, TBytes(20, 0x6B)}),
       "DG1" + Repeat(",DG11", 19) + ","},
      {"count beyond the buffer", TagList(236, 0x61), Repeat(",DG1", 25).substr(1)},
  };
  for (const TCase& c : cases) {
    tEFComFile efCom;
    efCom.DataGroups = "stale";
    DecodeEFCom(EFComWith(c.TagList), efCom);
    EXPECT_EQ(efCom.LDSVersion, "01.07     ") << c.Name;
    EXPECT_EQ(efCom.UnicodeVersion, "04.00.00  ") << c.Name;
    EXPECT_EQ(efCom.DataGroups, c.DataGroups) << c.Name;
  }
  EXPECT_EQ(Repeat(",DG1", 25).substr(1).size(), 99u);
}

TEST(DecodeEFCom, CountAboveTheBufferReadsNoFurtherThanItsEnd) {
  // A count of 255 with the last buffer byte naming DG2: the list stops at the buffer's end.
  TEFCom buffer = EFComWith({0x5C, 0xFF});
  buffer.back() = 0x75;
  tEFComFile efCom;
  DecodeEFCom(buffer, efCom);
  EXPECT_EQ(efCom.DataGroups, "DG2");
}

TEST(DecodeEFCom, NoEFComTagLeavesBlankVersionsAndTheListAlone) {
  tEFComFile efCom;
  efCom.DataGroups = "DG1";
  TEFCom zeros{};
  DecodeEFCom(zeros, efCom);
  EXPECT_EQ(efCom.LDSVersion, std::string(10, ' '));
  EXPECT_EQ(efCom.UnicodeVersion, std::string(10, ' '));
  EXPECT_EQ(efCom.DataGroups, "DG1");
}

TEST(DecodeEFCom, VersionDigitsAreCopiedAsTheyStand) {
  TEFCom buffer = EFComWith({0x5C, 0x00});
  std::copy_n("0108", 4, buffer.begin() + 5);
  std::copy_n("050201", 6, buffer.begin() + 12);
  tEFComFile efCom;
  DecodeEFCom(buffer, efCom);
  EXPECT_EQ(efCom.LDSVersion, "01.08     ");
  EXPECT_EQ(efCom.UnicodeVersion, "05.02.01  ");
}

}  // namespace
