// The marks on the boxes and the face: what EF.SOD contradicts in red, what
// it cannot vouch for in amber, each with why; nothing for what was not read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reading/DocumentPresenter.h"
#include "support/FakePiccView.h"

namespace {

using TMark = TFakePiccView::TMark;

struct TCase {
  const char* Name;
  std::map<int, bool> HashMatches;  // of Passive Authentication
  std::set<int> NotListed;
  std::string SodDoubt;
  bool FaceDecoded;
  TMark Surname;  // a DG1 box
  TMark Address;  // a DG11 box
  TMark Face;
};

TEST(FieldTrust, EachDataGroupsBoxesAndTheFaceTellWhatEfSodVouchesFor) {
  const std::string noSod = "no EF.SOD on the chip";
  const std::vector<TCase> cases{
      {"all signed", {{1, true}, {2, true}, {11, true}}, {}, "", true, {}, {}, {}},
      {"face and DG11 altered",
       {{1, true}, {2, false}, {11, false}},
       {},
       "",
       true,
       {},
       {TFieldTrust::Contradicted, "DG11 hash: MISMATCH"},
       {TFieldTrust::Contradicted, "DG2 hash: MISMATCH"}},
      {"DG11 not listed",
       {{1, true}, {2, true}, {11, false}},
       {11},
       "",
       true,
       {},
       {TFieldTrust::Unvouched, "DG11: not vouched for by EF.SOD (DG11 not listed in EF.SOD)"},
       {}},
      {"no EF.SOD",
       {},
       {},
       noSod,
       true,
       {TFieldTrust::Unvouched, "DG1: not vouched for by EF.SOD (" + noSod + ")"},
       {TFieldTrust::Unvouched, "DG11: not vouched for by EF.SOD (" + noSod + ")"},
       {TFieldTrust::Unvouched, "DG2: not vouched for by EF.SOD (" + noSod + ")"}},
      {"matching hashes of an untrusted EF.SOD, no face in DG2",
       {{1, true}, {2, true}, {11, true}},
       {},
       "CSCA not in the trust store",
       false,
       {TFieldTrust::Unvouched, "DG1: not vouched for by EF.SOD (CSCA not in the trust store)"},
       {TFieldTrust::Unvouched, "DG11: not vouched for by EF.SOD (CSCA not in the trust store)"},
       {}},
  };
  for (const TCase& c : cases) {
    TDocument document;
    for (const int number : {1, 2, 11}) document.DataGroups[number] = {TFileState::Read, {0x61, 0x00}};
    document.DataGroups[12] = {TFileState::CutOff, {0x6C}};
    if (c.FaceDecoded) document.Face = TExtractedFace{TFaceFormat::Jpeg, {}};
    TPaResult passive;
    passive.HashMatches = c.HashMatches;
    passive.NotListed = c.NotListed;
    for (const auto& [number, matched] : c.HashMatches)
      passive.HashLines[number] = "DG" + std::to_string(number) + (matched ? " hash: match" : " hash: MISMATCH");
    passive.SodDoubt = c.SodDoubt;
    document.PassiveAuthentication = passive;

    TFakePiccView view;
    ShowFieldTrust(document, view);
    EXPECT_EQ(view.Marks[TResultEdit::Soyadi1], c.Surname) << c.Name;
    EXPECT_EQ(view.Marks[TResultEdit::GecTar2], c.Surname) << c.Name;
    EXPECT_EQ(view.Marks[TResultEdit::Adres], c.Address) << c.Name;
    EXPECT_EQ(view.Marks[TResultEdit::Adi2], c.Address) << c.Name;
    EXPECT_EQ(view.PictureMark, c.Face) << c.Name;
    // DG12 was cut off: its boxes stay empty and unmarked.
    EXPECT_FALSE(view.Marks.contains(TResultEdit::VerYer)) << c.Name;
  }
}

}  // namespace
