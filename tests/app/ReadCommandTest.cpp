// Whole readings on the offscreen window, with the simulated chip in the reader.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextEdit>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/WindowOnChip.h"
#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/LdsBuilder.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"
#include "ui_frmZelvan.h"

namespace {

const QColor kNavy(0, 0, 128);
const QColor kBlack(Qt::black);
const QColor kGreen(0, 128, 0);

// The length of a file as its header announces it, for the "filesize:" lines.
int FileSize(const simchip::TDocument& document, int dataGroup) {
  return static_cast<int>(document.Lds.at(simchip::DataGroupFileId(dataGroup)).size());
}

// The window made while it lives takes its trust store from this folder alone.
class TScopedTrustStore {
public:
  explicit TScopedTrustStore(const std::filesystem::path& folder) {
    if (const char* before = std::getenv("ZELVAN_TRUST_STORE")) before_ = before;
    setenv("ZELVAN_TRUST_STORE", folder.c_str(), 1);
  }
  ~TScopedTrustStore() {
    if (before_)
      setenv("ZELVAN_TRUST_STORE", before_->c_str(), 1);
    else
      unsetenv("ZELVAN_TRUST_STORE");
  }
  TScopedTrustStore(const TScopedTrustStore&) = delete;
  TScopedTrustStore& operator=(const TScopedTrustStore&) = delete;

private:
  std::optional<std::string> before_;
};

class ReadCommand : public TWindowOnChip<TfrmPICC> {
protected:
  void SetInputs(const QString& number, QDate birth, QDate expiry) {
    window->Form().eDocNumber->setText(number);
    window->Form().eDogTar->setDate(birth);
    window->Form().eGecTar->setDate(expiry);
  }

  std::map<std::string, QString> Edits() const {
    std::map<std::string, QString> texts;
    for (const QLineEdit* edit : window->Form().GroupBox3->findChildren<QLineEdit*>())
      texts[edit->objectName().toStdString()] = edit->text();
    return texts;
  }

  int SodSize() const { return static_cast<int>(document.Lds.at(simchip::kEfSodFileId).size()); }

  bool DataGroupTouched(int dataGroup) const { return chip->Touched(simchip::DataGroupFileId(dataGroup)); }
};

TEST_F(ReadCommand, PassportFillsFieldsLogAndPicture) {
  const TScopedTrustStore store(std::filesystem::path(ZELVAN_SAMPLES_DIR) / "trust");
  Open("icao-passport.zdoc");
  window->bOkuClick();

  const QString shortBirthDate = QLocale::system().toString(QDate(1969, 8, 6), QLocale::ShortFormat);
  const std::vector<TLine> expected{
      {"LDS Ver.: 01.07     ", kNavy},
      {"Unicode Ver.: 04.00.00  ", kNavy},
      {"DataGroups : DG1,DG2,DG11,DG12,DG14,DG15", kNavy},
      // DG14 first: Chip Authentication, then the rest under the keys the chip has proved.
      {"Querying file size DG(14)", kNavy},
      {QString("filesize:%1").arg(FileSize(document, 14)), kNavy},
      {"Querying file size DG(1)", kNavy},
      {QString("filesize:%1").arg(FileSize(document, 1)), kNavy},
      {"MRZ: P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C<3UTO6908061F9406236ZE184226B<<<<<14", kNavy},
      {"L898902C", kBlack},
      {"Querying file size DG(11)", kNavy},
      {QString("filesize:%1").arg(FileSize(document, 11)), kNavy},
      {"FullName: ERIKSSON<<ANNA<MARIA", kNavy},
      {"PersonalNumber: ZE184226B", kNavy},
      {"PlaceOfBirth: İSTANBUL/TÜRKİYE", kNavy},
      {"Address: Şükrü Göçmen Sokağı No:7 Şişli/İSTANBUL", kNavy},
      {"Telephone: +90 212 555 01 23", kNavy},
      {"Profession: Öğretmen", kNavy},
      {"Title: Dr.", kNavy},
      {"PersonalSummary: ", kNavy},
      {"Querying file size DG(12)", kNavy},
      {QString("filesize:%1").arg(FileSize(document, 12)), kNavy},
      {"IssuingAuthority: İSTANBUL NÜFUS MÜDÜRLÜĞÜ", kNavy},
      {"DateOfIssue: 19890624", kNavy},
      {"OtherPerson: ERIKSSON<<EMMA", kNavy},
      {"Endorsements: Eşi ile seyahat eder", kNavy},
      {"PersonalizationTime: 19890624101500", kNavy},
      {"PersonalizationSerial: UTO-PS-0042", kNavy},
      {"Querying file size DG(2)", kNavy},
      {QString("filesize:%1").arg(FileSize(document, 2)), kNavy},
      // DG15's key for Active Authentication.
      {"Querying file size DG(15)", kNavy},
      {QString("filesize:%1").arg(FileSize(document, 15)), kNavy},
      // EF.SOD, signed by the sample PKI's document signer, against the sample trust store.
      {"Querying file size SOD", kNavy},
      {QString("filesize:%1").arg(SodSize()), kNavy},
      {QString("EF.SOD: %1 bytes, LDS security object v0, SHA256, 6 hashes (DG1, DG2, DG11, DG12, DG14, DG15)")
           .arg(SodSize()),
       kNavy},
      {"SOD signature: valid (RSA PKCS#1 v1.5 with SHA256)", kNavy},
      {"Document signer: C=UT, O=Utopia Sample PKI, CN=Utopia Sample Document Signer, country UT, valid "
       "2025-01-01 to 2045-01-01",
       kNavy},
      {"CSCA: trusted (C=UT, O=Utopia Sample PKI, CN=Utopia Sample CSCA; not revoked according to its CRL)", kNavy},
      {"DG1 hash: match", kNavy},
      {"DG2 hash: match", kNavy},
      {"DG11 hash: match", kNavy},
      {"DG12 hash: match", kNavy},
      {"DG14 hash: match", kNavy},
      {"DG15 hash: match", kNavy},
      {"Issuing state: not checked (UTO has no two-letter country code)", kNavy},
      {"Passive authentication: PASSED", kGreen},
      {"Chip authentication: PASSED", kGreen},
      {"Active authentication: PASSED", kGreen},
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(window->VerdictPanel().text(), "Geçerli");

  const std::map<std::string, QString> edits{
      {"eBelgeTipi", "P"},
      {"eUyrugu", "UTO"},
      {"eBelgeNo", "L898902C"},
      {"eVatandNo", "ZE184226B"},
      {"eCinsiyeti", "F"},
      {"eAdi1", "ANNA MARIA"},
      {"eSoyadi1", "ERIKSSON"},
      {"eDogYeri", "İSTANBUL/TÜRKİYE"},
      {"eDogTar2", shortBirthDate},
      {"eMeslek", "Öğretmen"},
      {"eAdres", "Şükrü Göçmen Sokağı No:7 Şişli/İSTANBUL"},
      {"eVerYer", "İSTANBUL NÜFUS MÜDÜRLÜĞÜ"},
      {"eVerTar", QLocale::system().toString(QDate(1989, 6, 24), QLocale::ShortFormat)},
      // The two-digit year of expiry takes the century of the date typed (23.06.1994).
      {"eGecTar2", QLocale::system().toString(QDate(1994, 6, 23), QLocale::ShortFormat)},
      {"eUnvan", "Dr."},
      {"eAdi2", "ANNA MARIA"},
      {"eSoyadi2", "ERIKSSON"},
  };
  EXPECT_EQ(Edits(), edits);

  EXPECT_FALSE(window->ShownPicture().isNull());
  EXPECT_EQ(window->ShownPicture().size(), QSize(240, 320));
  // The bar's range is the last file read, EF.SOD.
  EXPECT_EQ(window->Form().pBar->maximum(), SodSize());
}

TEST_F(ReadCommand, IdentityCardIsCutAtItsOwnPositions) {
  Open("icao-id-card.zdoc");
  SetInputs("D23145890", {1974, 8, 12}, {2012, 4, 15});
  window->bOkuClick();

  const auto edits = Edits();
  EXPECT_EQ(edits.at("eBelgeTipi"), "I");
  EXPECT_EQ(edits.at("eUyrugu"), "UTO");
  EXPECT_EQ(edits.at("eBelgeNo"), "D23145890");
  EXPECT_EQ(edits.at("eVatandNo"), "");
  EXPECT_EQ(edits.at("eCinsiyeti"), "F");
  EXPECT_EQ(edits.at("eSoyadi1"), "ERIKSSON");
  EXPECT_EQ(edits.at("eAdi1"), "ANNA MARIA");
  EXPECT_EQ(edits.at("eDogYeri"), "İZMİR/TÜRKİYE");
  EXPECT_EQ(edits.at("eMeslek"), "Mühendis");
  EXPECT_FALSE(window->ShownPicture().isNull());
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReadCommand, WrongDateOfBirthEndsInStreamErrorAndEmptiesEarlierFields) {
  Open("icao-passport.zdoc");
  window->bOkuClick();
  const auto before = Edits();
  const QImage pictureBefore = window->ShownPicture();
  const std::size_t linesBefore = Log().size();

  window->Form().eDogTar->setDate({1969, 8, 7});
  window->bOkuClick();

  const auto log = Log();
  const std::vector<TLine> added(log.begin() + static_cast<long>(linesBefore), log.end());
  const std::vector<TLine> expected{
      {"MrtdIccGetChallenge : Wrong status word 6300", kNavy},
      {"MrtdSelectDG : Bad status word 6982", kNavy},
      {"LDS Ver.:           ", kNavy},
      {"Unicode Ver.:           ", kNavy},
      {"DataGroups : ", kNavy},
      {"Querying file size DG(1)", kNavy},
      {"MrtdReadFileSizetDG(1) : Bad status word 6982", kNavy},
  };
  EXPECT_EQ(added, expected);
  EXPECT_EQ(errors, std::vector<QString>{"Stream read error."});
  // Nothing of the earlier reading stands beside this one.
  for (const auto& [name, text] : Edits()) EXPECT_TRUE(text.isEmpty()) << name;
  EXPECT_TRUE(window->ShownPicture().isNull());
  ASSERT_FALSE(pictureBefore.isNull());

  // The window keeps working: the right date reads again.
  errors.clear();
  window->Form().eDogTar->setDate({1969, 8, 6});
  window->bOkuClick();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Edits(), before);
}

TEST_F(ReadCommand, UntickedPictureBoxSendsNoDataGroup2CommandAndShowsNoFace) {
  Open("icao-passport.zdoc");
  window->bOkuClick();
  const QImage first = window->ShownPicture();
  ASSERT_FALSE(first.isNull());

  // The same document again without its face read: no face stands beside
  // this reading's fields and verdict.
  window->Form().cbResim->setChecked(false);
  window->bOkuClick();
  EXPECT_TRUE(window->ShownPicture().isNull());
  EXPECT_EQ(window->Form().eBelgeNo->text(), "L898902C");

  // Another document without its face read: the first face goes with the
  // first document's fields. The first card leaves the reader before its chip goes.
  reader.RemoveCard();
  chip = std::make_unique<simchip::TSimulatedChip>(Sample("jpeg-face-passport.zdoc"));
  reader.InsertCard(*chip);
  window->Form().cbResim->setChecked(false);
  SetInputs("U09876543", {1985, 3, 17}, {2031, 11, 30});
  window->bOkuClick();

  EXPECT_FALSE(DataGroupTouched(2));
  EXPECT_TRUE(DataGroupTouched(1));
  EXPECT_EQ(window->Form().eBelgeNo->text(), "U09876543");
  EXPECT_TRUE(window->ShownPicture().isNull());
  EXPECT_FALSE(Log().back().Text.startsWith("Querying file size DG(2)"));

  // Ticked again: the JPEG face of the second document replaces it.
  window->Form().cbResim->setChecked(true);
  window->bOkuClick();
  EXPECT_TRUE(DataGroupTouched(2));
  EXPECT_FALSE(window->ShownPicture().isNull());
  EXPECT_NE(window->ShownPicture(), first);
  EXPECT_TRUE(errors.empty());
}

// The boxes each sample document leaves empty after a whole reading: only
// those whose data the chip does not hold.
TEST_F(ReadCommand, EveryBoxTheChipCanFillIsFilled) {
  struct TCase {
    const char* File;
    QString DocumentNumber;
    QDate Birth, Expiry;
    std::set<std::string> Empty;
  };
  const std::set<std::string> kNoDG11{"eDogYeri", "eMeslek", "eAdres", "eUnvan", "eAdi2", "eSoyadi2"};
  const std::set<std::string> kNoDG12{"eVerYer", "eVerTar"};
  const std::vector<TCase> cases{
      {"icao-passport.zdoc", "L898902C<", {1969, 8, 6}, {1994, 6, 23}, {}},
      {"icao-id-card.zdoc", "D23145890", {1974, 8, 12}, {2012, 4, 15}, {"eVerYer", "eVerTar", "eVatandNo", "eUnvan"}},
      {"no-dg11-passport.zdoc", "C4X7Y2Z91", {1992, 12, 1}, {2029, 5, 14}, {"eVatandNo"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    Open(c.File);
    SetInputs(c.DocumentNumber, c.Birth, c.Expiry);
    window->bOkuClick();
    ASSERT_TRUE(errors.empty());
    std::set<std::string> empty;
    for (const auto& [name, text] : Edits())
      if (text.isEmpty()) empty.insert(name);
    std::set<std::string> expected = c.Empty;
    if (!document.Lds.contains(simchip::DataGroupFileId(11))) expected.insert(kNoDG11.begin(), kNoDG11.end());
    if (!document.Lds.contains(simchip::DataGroupFileId(12))) expected.insert(kNoDG12.begin(), kNoDG12.end());
    EXPECT_EQ(empty, expected);
    reader.RemoveCard();
  }
}

// A second document read after the sample passport shows exactly what it
// shows in a window of its own: no box and no face of the first stays.
TEST_F(ReadCommand, AnotherDocumentLeavesNothingOfTheFirst) {
  struct TCase {
    std::string Name;
    bool PictureWanted;
    std::function<void(simchip::TSimulatedChip&)> Change;
    bool Raises;
  };
  const std::vector<TCase> cases{
      {"picture unticked", false, [](simchip::TSimulatedChip&) {}, false},
      {"no DG2", true, [](simchip::TSimulatedChip& chip) { chip.Files().erase(simchip::DataGroupFileId(2)); }, false},
      {"DG2 that cannot be decoded", true,
       [](simchip::TSimulatedChip& chip) {
         // A JP2 signature box, then bytes that are no JPEG 2000 file.
         simchip::TFaceImage face{{0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A, 0xDE, 0xAD},
                                  simchip::EImageDataType::Jpeg2000,
                                  240,
                                  320};
         chip.Files()[simchip::DataGroupFileId(2)] = simchip::MakeDg2(face);
       },
       true},
  };
  const auto readSecond = [this](const TCase& c) {
    reader.RemoveCard();
    chip = std::make_unique<simchip::TSimulatedChip>(Sample("no-dg11-passport.zdoc"));
    c.Change(*chip);
    reader.InsertCard(*chip);
    window->Form().cbResim->setChecked(c.PictureWanted);
    SetInputs("C4X7Y2Z91", {1992, 12, 1}, {2029, 5, 14});
    errors.clear();
    window->bOkuClick();
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    // The second document alone.
    Open("icao-passport.zdoc");
    readSecond(c);
    const std::map<std::string, QString> alone = Edits();
    const QImage aloneFace = window->ShownPicture();
    reader.RemoveCard();

    // The same after the sample passport.
    Open("icao-passport.zdoc");
    window->bOkuClick();
    ASSERT_FALSE(window->ShownPicture().isNull());
    ASSERT_FALSE(window->Form().eVerYer->text().isEmpty());
    readSecond(c);
    EXPECT_EQ(errors.size(), c.Raises ? 1u : 0u);
    EXPECT_EQ(Edits(), alone);
    EXPECT_EQ(window->ShownPicture(), aloneFace);
    EXPECT_EQ(window->ShownPicture().isNull(), !c.PictureWanted || aloneFace.isNull());
    reader.RemoveCard();
  }
}

TEST_F(ReadCommand, MissingDataGroup11EmptiesItsFieldsAndTheReadGoesOn) {
  simchip::TChipOptions options;
  options.ProtectedErrors = true;
  Open("no-dg11-passport.zdoc", options);
  SetInputs("C4X7Y2Z91", {1992, 12, 1}, {2029, 5, 14});
  window->bOkuClick();
  const auto log = Log();
  std::vector<QString> texts;
  for (const auto& line : log) texts.push_back(line.Text);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "MrtdBacSelectDG(11) : File not found"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "FullName: "), texts.end());
  EXPECT_EQ(Edits().at("eDogYeri"), "");
  // The counter stayed in step with the chip's, so the face after it still reads.
  EXPECT_FALSE(window->ShownPicture().isNull());
  EXPECT_TRUE(errors.empty());
}

}  // namespace
