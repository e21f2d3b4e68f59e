// The card taken away at each command of a whole reading of the sample
// passport, one reading per command: the reading ends with that step's
// connection error, shows nothing that was not read whole, and the reading
// after it (card back) reads the document whole.
//
// "Shown as read" means: an edit or the picture gets a value from this
// reading's chip data. The seven DG1 edits change only when DG1 was read
// whole; the DG11 edits only when DG11 was read whole, and are otherwise
// emptied as for a missing DG11 (when the DG11 stage runs at all); the
// picture shown stays the face shown before, as for a missing DG2.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "Documents.h"
#include "ReadRig.h"
#include "ReadSteps.h"
#include "tools/simchip/ChipFaults.h"

namespace {

const std::string kUnread = "(not read in this reading)";
const std::vector<TResultEdit> kDG1Edits{TResultEdit::BelgeTipi, TResultEdit::Uyrugu,    TResultEdit::BelgeNo,
                                         TResultEdit::VatandNo,  TResultEdit::Cinsiyeti, TResultEdit::Adi1,
                                         TResultEdit::Soyadi1};
const std::vector<TResultEdit> kDG11Edits{TResultEdit::DogYeri, TResultEdit::Meslek, TResultEdit::Adres};

// Lines a reading may write once the card is gone: the connection errors of
// later steps, the EF.COM lines of an unread EF.COM, the size query of a data
// group that is read without a SELECT of its own (after a failed BAC), the
// bare DG11 labels and Passive Authentication without a whole EF.SOD.
const std::set<std::string> kLinesWithoutChipData{"EF.SOD: not read (the card left or the chip refused it)",
                                                  "Passive authentication: INCOMPLETE (EF.SOD not read)",
                                                  "Passive authentication: INCOMPLETE (EF.SOD not read whole)",
                                                  "Chip authentication: not supported",
                                                  "Active authentication: not supported",
                                                  "MrtdSelectApplet connection error.",
                                                  "MrtdSelectDG connection error.",
                                                  "MrtdIccGetChallenge connection error.",
                                                  "MrtdIccMutualAuthenticate connection error.",
                                                  "MrtdBacSelectDG connection error.",
                                                  "MrtdReadFileSize connection error.",
                                                  "MrtdReadFile connection error.",
                                                  "MrtdReadFileEx connection error.",
                                                  "LDS Ver.:           ",
                                                  "Unicode Ver.:           ",
                                                  "DataGroups : ",
                                                  "Querying file size DG(1)",
                                                  "Querying file size DG(11)",
                                                  "Querying file size DG(2)",
                                                  "Querying file size DG(14)",
                                                  "Querying file size DG(15)",
                                                  "FullName: ",
                                                  "PersonalNumber: ",
                                                  "PlaceOfBirth: ",
                                                  "Address: ",
                                                  "Telephone: ",
                                                  "Profession: ",
                                                  "Title: ",
                                                  "PersonalSummary: "};
bool WithoutChipData(const std::string& line) {
  static const std::regex kSodCutOff(R"(EF\.SOD: cut off after \d+ bytes \(the card left\))");
  // A chip check done before the pull keeps its outcome; one the pull stopped is not possible.
  static const std::regex kChipCheck(
      R"((Chip|Active) authentication: (PASSED|PASSED \(key not vouched for by EF\.SOD\)|not possible \((DG1[45] not read whole|the card left during (Chip|Active) Authentication)\)))");
  return kLinesWithoutChipData.contains(line) || std::regex_match(line, kSodCutOff) ||
         std::regex_match(line, kChipCheck);
}

// The index of the last command that reads the data group, in the clean reading.
std::size_t LastCommandOf(const std::vector<TStep>& steps, int dataGroup) {
  std::size_t last = 0;
  for (std::size_t i = 0; i < steps.size(); ++i)
    if (steps[i].DataGroup == dataGroup && steps[i].Read()) last = i;
  return last;
}

struct TPulledCase {
  const char* Name;
  const char* Document;
  bool Pace;  // a chip that offers PACE (OpenPACE's chip side), AES secure messaging
};

std::unique_ptr<TReadRig> RigFor(const TPulledCase& pulled) {
  if (!pulled.Pace) return std::make_unique<TReadRig>(SampleDocument(pulled.Document));
  return std::make_unique<TReadRig>(SampleDocument(pulled.Document),
                                    pacechip::TPaceChipOptions{{{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13}}, true});
}

// The sample passport (a JPEG 2000 face) and the passport with a JPEG face,
// read with BAC, and the sample passport read with PACE.
class CardPulled : public ::testing::TestWithParam<TPulledCase> {};

TEST_P(CardPulled, AtEveryCommandEndsWithThatStepsLineShowsNothingUnreadAndTheNextReadingWorks) {
  const std::unique_ptr<TReadRig> rigOwned = RigFor(GetParam());
  TReadRig& rig = *rigOwned;
  TFakePiccView& view = rig.View();
  ASSERT_EQ(rig.Read(), std::nullopt);
  const std::vector<TLoggedLine> cleanLines = view.Lines;
  const std::map<TResultEdit, std::string> cleanFields = view.Fields;
  const QImage cleanPicture = view.Picture;
  const std::vector<TStep> steps = rig.Steps();
  const std::vector<std::size_t> linesBefore = rig.LinesBeforeCommand();
  ASSERT_FALSE(cleanPicture.isNull());
  ASSERT_GT(steps.size(), 50u);
  const std::size_t lastDG1 = LastCommandOf(steps, 1);
  const std::size_t lastDG11 = LastCommandOf(steps, 11);

  for (std::size_t pulled = 0; pulled < steps.size() && !::testing::Test::HasFailure(); ++pulled) {
    SCOPED_TRACE("card pulled at command " + std::to_string(pulled + 1));
    for (auto& [edit, text] : view.Fields) text = kUnread;
    view.Lines.clear();
    const int picturesShownBefore = view.PicturesShown;
    rig.Chip().AddFault(simchip::TFault::CardRemoved(pulled + 1));

    const std::optional<std::string> error = rig.Read();
    const bool dg1Whole = pulled > lastDG1;
    const bool dg11Whole = pulled > lastDG11;

    // The lines before the pull are those of a whole reading; then the step's connection error.
    const std::vector<TLoggedLine>& lines = view.Lines;
    const std::size_t before = linesBefore.at(pulled);
    ASSERT_GT(lines.size(), before);
    EXPECT_TRUE(std::equal(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before), cleanLines.begin()));
    EXPECT_EQ(std::optional(lines[before].Text), ConnectionErrorLine(steps[pulled]));
    for (std::size_t i = before + 1; i < lines.size(); ++i)
      EXPECT_TRUE(WithoutChipData(lines[i].Text)) << "line after the pull: " << lines[i].Text;
    EXPECT_EQ(error, dg1Whole ? std::nullopt : std::optional<std::string>("Stream read error"));

    for (const TResultEdit edit : kDG1Edits) EXPECT_EQ(view.Fields.at(edit), dg1Whole ? cleanFields.at(edit) : kUnread);
    for (const TResultEdit edit : kDG11Edits) {
      const std::string expected = dg11Whole ? cleanFields.at(edit) : dg1Whole ? "" : kUnread;
      EXPECT_EQ(view.Fields.at(edit), expected);
    }
    // The picture stage runs after a whole DG1; it shows the face shown before again.
    EXPECT_EQ(view.PicturesShown - picturesShownBefore, dg1Whole ? 1 : 0);
    EXPECT_EQ(view.Picture, cleanPicture);

    rig.Calm();
    view.Lines.clear();
    EXPECT_EQ(rig.Read(), std::nullopt);
    EXPECT_EQ(view.Lines, cleanLines);
    EXPECT_EQ(view.Fields, cleanFields);
    EXPECT_EQ(view.Picture, cleanPicture);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, CardPulled,
                         ::testing::Values(TPulledCase{"Jpeg2000Face", "icao-passport.zdoc", false},
                                           TPulledCase{"JpegFace", "jpeg-face-passport.zdoc", false},
                                           TPulledCase{"Pace", "icao-passport.zdoc", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
