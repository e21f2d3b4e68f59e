// The document model: its decoders take only files that came whole (DG1 cut
// off is an error, the others stay undecoded), and each data group's hash
// check follows Passive Authentication's result.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FaceBytes.h"
#include "Fixtures.h"
#include "LdsBytes.h"
#include "document/Document.h"
#include "document/DocumentDecoding.h"

namespace {

const std::string kIcaoMrz = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";

TBytes Dg1() { return Tlv({0x61}, Tlv({0x5F, 0x1F}, Ascii(kIcaoMrz))); }
TBytes Dg11() { return Tlv({0x6B}, Tlv({0x5F, 0x11}, Ascii("IZMIR"))); }
TBytes Dg12() { return Tlv({0x6C}, Tlv({0x5F, 0x19}, Ascii("ANKARA"))); }
// An empty SET of SecurityInfos: well formed, nothing in it.
TBytes Dg14() { return Tlv({0x6E}, Tlv({0x31}, {})); }

TMemoryStream StreamOf(const TBytes& bytes) {
  TMemoryStream stream;
  stream.Write(bytes);
  stream.Rewind();
  return stream;
}

// One decoder over a file whose reading ended in State; the stream holds the
// whole file in every case, so that only the recorded state can keep it undecoded.
struct TDecodeCase {
  const char* Name;
  int Number;
  TBytes File;
  std::function<void(TDocument&, TMemoryStream&)> Decode;
  std::function<bool(const TDocument&)> Decoded;
};

const std::vector<TDecodeCase>& DecodeCases() {
  static const std::vector<TDecodeCase> cases{
      {"DG11", 11, Dg11(), DecodeDg11Into, [](const TDocument& d) { return d.Dg11.has_value(); }},
      {"DG12", 12, Dg12(), [](TDocument& d, TMemoryStream& s) { DecodeDg12Into(d, s); },
       [](const TDocument& d) { return d.Dg12.has_value(); }},
      {"DG14", 14, Dg14(), [](TDocument& d, TMemoryStream&) { DecodeDg14Into(d); },
       [](const TDocument& d) { return d.Dg14.has_value(); }},
      {"DG2", 2, DG2(FacialRecord(Fixture("face.jp2"))),
       [](TDocument& d, TMemoryStream& s) {
         TJpeg2000Bitmap bitmap;
         DecodeFaceInto(d, s, bitmap);
       },
       [](const TDocument& d) { return d.Face.has_value() && d.Face->Format == TFaceFormat::Jpeg2000; }},
  };
  return cases;
}

TEST(DocumentDecoding, DecodesAWholeFileAndNeverOneCutOff) {
  for (const TDecodeCase& c : DecodeCases()) {
    for (const TFileState state : {TFileState::Read, TFileState::CutOff}) {
      TDocument document;
      document.DataGroups[c.Number] = {state,
                                       state == TFileState::Read ? c.File : TBytes(c.File.begin(), c.File.begin() + 4)};
      TMemoryStream stream = StreamOf(c.File);
      c.Decode(document, stream);
      EXPECT_EQ(c.Decoded(document), state == TFileState::Read)
          << c.Name << (state == TFileState::Read ? " whole" : " cut off");
    }
  }
}

TEST(DocumentDecoding, Dg1CutOffRaisesAndLeavesNoMrz) {
  const TBytes dg1 = Dg1();
  TDocument document;
  document.DataGroups[1] = {TFileState::CutOff, TBytes(dg1.begin(), dg1.begin() + 10)};
  TMemoryStream stream = StreamOf(dg1);
  EXPECT_THROW(DecodeDg1Into(document, stream), EReadError);
  EXPECT_FALSE(document.Mrz.has_value());
  EXPECT_FALSE(document.Dg1.has_value());
  EXPECT_EQ(document.IssuingState(), "");
}

TEST(DocumentDecoding, Dg1WholeGivesTheMrzItsFieldsAndTheIssuingState) {
  TDocument document;
  document.DataGroups[1] = {TFileState::Read, Dg1()};
  TMemoryStream stream = StreamOf(Dg1());
  DecodeDg1Into(document, stream);
  EXPECT_EQ(document.Mrz, kIcaoMrz);
  ASSERT_TRUE(document.Dg1.has_value());
  EXPECT_EQ(document.Dg1->DocumentNumber, "L898902C3");
  EXPECT_EQ(document.IssuingState(), "UTO");
}

TEST(DocumentDecoding, EfComNotReadListsNothing) {
  TDocument read;
  const TBytes com = Concat({{0x60, 0x16, 0x5F, 0x01, 0x04},
                             Ascii("0107"),
                             {0x5F, 0x36, 0x06},
                             Ascii("040000"),
                             {0x5C, 0x03, 0x61, 0x75, 0x6B}});
  read.Com = {TFileState::Read, com};
  DecodeComInto(read);
  EXPECT_EQ(read.ComList.DataGroups, "DG1,DG2,DG11");
  EXPECT_TRUE(ListsDataGroup(read.ComList, 11));

  TDocument notRead;
  notRead.Com = {TFileState::LinkLost, {}};
  DecodeComInto(notRead);
  EXPECT_EQ(notRead.ComList.DataGroups, "");
  EXPECT_EQ(notRead.ComList.LDSVersion, std::string(10, ' '));
  EXPECT_FALSE(ListsDataGroup(notRead.ComList, 1));
}

TEST(Document, DataGroupStateIsNotAskedUntilRecorded) {
  TDocument document;
  EXPECT_EQ(document.DataGroupState(12), TFileState::NotAsked);
  EXPECT_FALSE(document.HasWhole(12));
  document.DataGroups[12] = {TFileState::Absent, {}};
  EXPECT_EQ(document.DataGroupState(12), TFileState::Absent);
  EXPECT_FALSE(document.HasWhole(12));
  document.DataGroups[12] = {TFileState::Read, Dg12()};
  EXPECT_TRUE(document.HasWhole(12));
}

TEST(Document, HashCheckFollowsPassiveAuthentication) {
  TDocument document;
  EXPECT_EQ(document.HashCheck(1), THashCheck::NotChecked) << "before Passive Authentication";
  TPaResult result;
  result.HashMatches = {{1, true}, {2, false}, {3, false}};
  result.NotListed = {3};
  document.PassiveAuthentication = result;
  const std::vector<std::pair<int, THashCheck>> cases{
      {1, THashCheck::Matched},
      {2, THashCheck::Mismatched},
      {3, THashCheck::NotListed},
      {11, THashCheck::NotChecked},
  };
  for (const auto& [number, check] : cases) EXPECT_EQ(document.HashCheck(number), check) << "DG" << number;
}

}  // namespace
