// The report of a reading: read on the offscreen window with the simulated
// chip, saved with actSaveReport, and the two files read back.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextEdit>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/ReadingReport.h"
#include "app/ReportChecks.h"
#include "app/ReportFields.h"
#include "app/ReportFiles.h"
#include "app/ReportJson.h"
#include "app/WindowOnChip.h"
#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"
#include "ui_frmZelvan.h"

// Test failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

// The window, noting whether a report could be saved each time it logs
// during a reading.
class TProbedWindow : public TfrmPICC {
public:
  void LogMessage(const std::string& text, int kind) override {
    SaveEnabledWhileLogging.push_back(Form().actSaveReport->isEnabled());
    TfrmPICC::LogMessage(text, kind);
  }
  std::vector<bool> SaveEnabledWhileLogging;
};

// The files of a folder, by name.
std::set<QString> FilesIn(const std::filesystem::path& folder) {
  std::set<QString> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.insert(QString::fromStdString(std::filesystem::relative(entry.path(), folder).string()));
  return names;
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pages of a PDF made by Qt's writer: its page objects.
qsizetype PageCount(const QByteArray& pdf) {
  static const QRegularExpression kPage(QStringLiteral("/Type\\s*/Page(?!s)"));
  return QString::fromLatin1(pdf).count(kPage);
}

class Report : public TWindowOnChip<TProbedWindow> {
protected:
  QAction& SaveAction() const { return *window->Form().actSaveReport; }

  // Saves into folder; the JSON file read back.
  QJsonObject SaveAndReadJson(const std::filesystem::path& folder, QString& pdfPath) {
    const TScopedEnvironment reportFolder("ZELVAN_REPORT_DIR", folder.string());
    SaveAction().trigger();
    const TLine last = Log().back();
    EXPECT_TRUE(last.Text.startsWith("Rapor: ")) << last.Text.toStdString();
    EXPECT_EQ(last.Colour, kNavy);
    pdfPath = last.Text.mid(7);
    QString jsonPath = pdfPath;
    jsonPath.replace(QRegularExpression(QStringLiteral("\\.pdf$")), QStringLiteral(".json"));
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(Contents(jsonPath), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return json.object();
  }
};

TEST_F(Report, ActionIsOfferedButDisabledUntilAReadingEndsAndWhileOneRuns) {
  Open("icao-passport.zdoc");
  QAction& save = SaveAction();
  EXPECT_EQ(save.text(), "Raporu kaydet");
  EXPECT_EQ(save.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_TRUE(window->actions().contains(&save));
  EXPECT_EQ(window->contextMenuPolicy(), Qt::ActionsContextMenu);
  EXPECT_FALSE(save.isEnabled());

  // Triggered anyway before any reading: nothing is written, nothing logged.
  const TTempFolder folder;
  {
    const TScopedEnvironment reportFolder("ZELVAN_REPORT_DIR", (folder.Path() / "reports").string());
    save.trigger();
  }
  EXPECT_TRUE(FilesIn(folder.Path()).empty());
  EXPECT_EQ(Log().size(), 1u);  // the empty log's one empty block
  EXPECT_TRUE(Log().front().Text.isEmpty());

  for (int reading = 0; reading < 2; ++reading) {
    SCOPED_TRACE(reading);
    window->SaveEnabledWhileLogging.clear();
    window->bOkuClick();
    ASSERT_GT(window->SaveEnabledWhileLogging.size(), 10u);
    EXPECT_EQ(std::ranges::count(window->SaveEnabledWhileLogging, true), 0);
    EXPECT_TRUE(save.isEnabled());
  }
}

TEST_F(Report, WholeReadingIsSavedAsPdfAndJsonWithItsFacts) {
  const TScopedEnvironment trust("ZELVAN_TRUST_STORE", (std::filesystem::path(ZELVAN_SAMPLES_DIR) / "trust").string());
  Open("icao-passport.zdoc");
  window->bOkuClick();
  ASSERT_TRUE(errors.empty());
  ASSERT_EQ(window->VerdictPanel().text(), "Geçerli");

  // A folder that is not there yet is made.
  const TTempFolder temp;
  const std::filesystem::path folder = temp.Path() / "kayit" / "raporlar";
  QString pdfPath;
  const QJsonObject json = SaveAndReadJson(folder, pdfPath);

  const std::set<QString> files = FilesIn(folder);
  ASSERT_EQ(files.size(), 2u);
  static const QRegularExpression kName(QStringLiteral("^(\\d{8}-\\d{6})-L898902C\\.(json|pdf)$"));
  const QRegularExpressionMatch first = kName.match(*files.begin());
  const QRegularExpressionMatch second = kName.match(*files.rbegin());
  ASSERT_TRUE(first.hasMatch()) << files.begin()->toStdString();
  ASSERT_TRUE(second.hasMatch()) << files.rbegin()->toStdString();
  EXPECT_EQ(first.captured(1), second.captured(1));
  EXPECT_EQ(pdfPath, QDir(QString::fromStdString(folder.string())).filePath(first.captured(1) + "-L898902C.pdf"));

  // The layout the README gives, and no more (no image bytes).
  const QStringList keys = json.keys();
  EXPECT_EQ(std::set<QString>(keys.begin(), keys.end()),
            (std::set<QString>{"program", "time", "reader", "complete", "verdict", "verdictWord", "fields", "faceRead",
                               "notVouched", "protocols", "checks"}));
  EXPECT_EQ(json["program"].toString(), "Zelvan " ZELVAN_VERSION);
  EXPECT_EQ(json["reader"].toString(), "Zelvan Virtual ACR122 00 00");
  const QDateTime time = QDateTime::fromString(json["time"].toString(), Qt::ISODate);
  ASSERT_TRUE(time.isValid()) << json["time"].toString().toStdString();
  EXPECT_EQ(time.toLocalTime().toString("yyyyMMdd-HHmmss"), first.captured(1));
  EXPECT_TRUE(json["complete"].toBool());
  EXPECT_EQ(json["verdict"].toString(), "genuine");
  EXPECT_EQ(json["verdictWord"].toString(), "Geçerli");
  EXPECT_TRUE(json["faceRead"].toBool());
  EXPECT_TRUE(json["notVouched"].toObject().isEmpty()) << "every box signed";

  // Every box by name, as the window shows it.
  const QJsonObject fields = json["fields"].toObject();
  EXPECT_EQ(fields.size(), 17);
  std::multiset<QString> shown, saved;
  for (const QLineEdit* edit : window->Form().GroupBox3->findChildren<QLineEdit*>()) shown.insert(edit->text());
  for (const QJsonValue value : fields) saved.insert(value.toString());
  EXPECT_EQ(saved, shown);
  EXPECT_EQ(fields["documentNumber"].toString(), "L898902C");
  EXPECT_EQ(fields["surname"].toString(), "ERIKSSON");
  EXPECT_EQ(fields["address"].toString(), "Şükrü Göçmen Sokağı No:7 Şişli/İSTANBUL");
  EXPECT_EQ(fields["issuingAuthority"].toString(), window->Form().eVerYer->text());

  // The check lines: BAC, then Passive Authentication with each hash, then the chip checks.
  struct TExpectedCheck {
    QString Line, Outcome, Reason;
  };
  const std::vector<TExpectedCheck> expected{
      {"BAC: established", "passed", ""},
      {QString("EF.SOD: %1 bytes, LDS security object v0, SHA256, 6 hashes (DG1, DG2, DG11, DG12, DG14, DG15)")
           .arg(document.Lds.at(simchip::kEfSodFileId).size()),
       "info", "DG1, DG2, DG11, DG12, DG14, DG15"},
      {"SOD signature: valid (RSA PKCS#1 v1.5 with SHA256)", "passed", "RSA PKCS#1 v1.5 with SHA256"},
      {"Document signer: C=UT, O=Utopia Sample PKI, CN=Utopia Sample Document Signer, country UT, valid "
       "2025-01-01 to 2045-01-01",
       "info", ""},
      {"CSCA: trusted (C=UT, O=Utopia Sample PKI, CN=Utopia Sample CSCA; not revoked according to its CRL)", "passed",
       "C=UT, O=Utopia Sample PKI, CN=Utopia Sample CSCA; not revoked according to its CRL"},
      {"DG1 hash: match", "passed", ""},
      {"DG2 hash: match", "passed", ""},
      {"DG11 hash: match", "passed", ""},
      {"DG12 hash: match", "passed", ""},
      {"DG14 hash: match", "passed", ""},
      {"DG15 hash: match", "passed", ""},
      {"Issuing state: not checked (UTO has no two-letter country code)", "not checked",
       "UTO has no two-letter country code"},
      {"Passive authentication: PASSED", "passed", ""},
      {"Chip authentication: PASSED", "passed", ""},
      {"Active authentication: PASSED", "passed", ""},
  };
  const QJsonArray checks = json["checks"].toArray();
  ASSERT_EQ(checks.size(), static_cast<qsizetype>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const QJsonObject check = checks[static_cast<qsizetype>(i)].toObject();
    SCOPED_TRACE(expected[i].Line.toStdString());
    EXPECT_EQ(check["line"].toString(), expected[i].Line);
    EXPECT_EQ(check["check"].toString() + ": " + check["result"].toString(), expected[i].Line);
    EXPECT_EQ(check["outcome"].toString(), expected[i].Outcome);
    EXPECT_EQ(check["reason"].toString(), expected[i].Reason);
  }
  const QJsonObject protocols = json["protocols"].toObject();
  EXPECT_EQ(protocols["accessControl"].toObject()["protocol"].toString(), "BAC");
  for (const char* protocol : {"accessControl", "passiveAuthentication", "chipAuthentication", "activeAuthentication"})
    EXPECT_EQ(protocols[protocol].toObject()["outcome"].toString(), "passed") << protocol;

  // Personal data: readable by the user alone.
  for (const QString& name : files) {
    const QFileDevice::Permissions permissions = QFile::permissions(QDir(folder).filePath(name));
    EXPECT_FALSE(permissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) << name.toStdString();
  }

  // One A4 page from Qt's PDF writer.
  const QByteArray pdf = Contents(pdfPath);
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_EQ(PageCount(pdf), 1);
  EXPECT_TRUE(pdf.contains("/MediaBox [0 0 595"));
}

// BAC refused (a wrong date of birth): the reading stops before any verdict;
// its report is saved with what it has and says it is not complete.
TEST_F(Report, ReadingThatStoppedEarlyIsSavedAndSaysSo) {
  Open("icao-passport.zdoc");
  window->Form().eDogTar->setDate({1969, 8, 7});
  window->bOkuClick();
  ASSERT_EQ(errors, std::vector<QString>{"Stream read error."});
  ASSERT_TRUE(SaveAction().isEnabled());

  const TTempFolder folder;
  QString pdfPath;
  const QJsonObject json = SaveAndReadJson(folder.Path(), pdfPath);
  // No box was filled: the name takes the document number as typed, fillers left out.
  EXPECT_TRUE(pdfPath.endsWith("-L898902C.pdf")) << pdfPath.toStdString();
  EXPECT_FALSE(json["complete"].toBool());
  EXPECT_EQ(json["verdict"].toString(), "none");
  EXPECT_FALSE(json["faceRead"].toBool());
  for (const QJsonValue field : json["fields"].toObject()) EXPECT_EQ(field.toString(), "");
  const QJsonArray checks = json["checks"].toArray();
  ASSERT_EQ(checks.size(), 1);
  EXPECT_EQ(checks[0].toObject()["line"].toString(), "BAC: failed (MrtdIccGetChallenge : Wrong status word 6300)");
  const QJsonObject access = json["protocols"].toObject()["accessControl"].toObject();
  EXPECT_EQ(access["protocol"].toString(), "BAC");
  EXPECT_EQ(access["outcome"].toString(), "failed");
  EXPECT_EQ(access["reason"].toString(), "MrtdIccGetChallenge : Wrong status word 6300");
  EXPECT_EQ(json["protocols"].toObject()["passiveAuthentication"].toObject()["outcome"].toString(), "not run");
  EXPECT_EQ(PageCount(Contents(pdfPath)), 1);
}

// The report is of the last reading alone: a second document read without
// its face leaves neither the first one's face nor its boxes; a click that
// finds no card leaves the last reading's report as it was.
TEST_F(Report, HoldsTheLastReadingAlone) {
  Open("icao-passport.zdoc");
  window->bOkuClick();
  ASSERT_TRUE(window->LastReading().has_value());
  ASSERT_FALSE(window->LastReading()->Face.isNull());

  reader.RemoveCard();
  chip = std::make_unique<simchip::TSimulatedChip>(
      simchip::LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / "no-dg11-passport.zdoc"));
  reader.InsertCard(*chip);
  window->Form().cbResim->setChecked(false);
  window->Form().eDocNumber->setText("C4X7Y2Z91");
  window->Form().eDogTar->setDate({1992, 12, 1});
  window->Form().eGecTar->setDate({2029, 5, 14});
  window->bOkuClick();
  ASSERT_TRUE(errors.empty());

  const TReadingReport second = *window->LastReading();
  EXPECT_TRUE(second.Face.isNull());
  EXPECT_EQ(second.Field(TResultEdit::BelgeNo), "C4X7Y2Z91");
  std::multiset<QString> shown, kept;
  for (const QLineEdit* edit : window->Form().GroupBox3->findChildren<QLineEdit*>()) shown.insert(edit->text());
  for (const TReportField& field : ReportFields()) kept.insert(second.Field(field.Edit));
  EXPECT_EQ(kept, shown);
  EXPECT_EQ(second.Field(TResultEdit::DogYeri), "");  // no DG11: the first document's place of birth is gone
  EXPECT_EQ(std::ranges::count_if(second.Checks(), [](const TReportCheck& c) { return c.Text == "BAC: established"; }),
            1);

  reader.RemoveCard();
  window->bOkuClick();
  EXPECT_EQ(Log().back().Colour, kRed);
  ASSERT_TRUE(window->LastReading().has_value());
  EXPECT_EQ(window->LastReading()->Time, second.Time);
  EXPECT_EQ(window->LastReading()->Checks(), second.Checks());
  EXPECT_TRUE(SaveAction().isEnabled());
}

// A copy that leaves its chip keys out of EF.COM and fails Chip
// Authentication once EF.SOD asks for it, after its boxes and face were
// shown: the window empties them, and so does the report.
TEST_F(Report, ChipThatFailsChipAuthenticationLeavesNoBoxNorFaceInTheReport) {
  simchip::TChipOptions clone;
  clone.CloneChipAuthentication = true;
  Open("negative/ef-com-without-chip-keys.zdoc", clone);
  window->bOkuClick();
  ASSERT_EQ(window->VerdictPanel().text(), "Geçersiz");
  ASSERT_TRUE(window->Form().eBelgeNo->text().isEmpty());

  const TReadingReport& report = *window->LastReading();
  EXPECT_TRUE(report.Fields.empty());
  EXPECT_TRUE(report.Face.isNull());
  EXPECT_EQ(report.Verdict, TVerdictShown::NotGenuine);
  const std::vector<TReportCheck> checks = report.Checks();
  ASSERT_EQ(checks.size(), 2u);
  EXPECT_EQ(checks[0], (TReportCheck{"BAC: established", lkProtocol}));
  EXPECT_TRUE(checks[1].Text.startsWith("Chip authentication: FAILED (")) << checks[1].Text.toStdString();
  EXPECT_EQ(checks[1].Kind, lkConnectionError);
}

// A folder that cannot be written: one red line with the reason, and no file
// (nor temporary file) left behind.
TEST_F(Report, FailedWriteLogsRedAndLeavesNoFile) {
  Open("icao-passport.zdoc");
  window->bOkuClick();
  const TReadingReport& report = *window->LastReading();
  const QString base = ReportBaseName(report);

  struct TCase {
    const char* Name;
    std::function<std::filesystem::path(const std::filesystem::path&)> Prepare;  // gives the report folder
  };
  const auto file = [](const std::filesystem::path& path) { std::ofstream(path) << "not a folder"; };
  const std::vector<TCase> cases{
      {"a file in place of the folder",
       [&](const std::filesystem::path& root) {
         file(root / "raporlar");
         return root / "raporlar";
       }},
      {"a file on the folder's path",
       [&](const std::filesystem::path& root) {
         file(root / "kayit");
         return root / "kayit" / "raporlar";
       }},
      // The JSON file could be written, the PDF not: the pair goes in whole or not at all.
      {"a folder in place of the PDF",
       [&](const std::filesystem::path& root) {
         std::filesystem::create_directories(root / (base + ".pdf").toStdString());
         return root;
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TTempFolder temp;
    const std::filesystem::path folder = c.Prepare(temp.Path());
    const std::set<QString> before = FilesIn(temp.Path());
    const std::size_t linesBefore = Log().size();
    {
      const TScopedEnvironment reportFolder("ZELVAN_REPORT_DIR", folder.string());
      SaveAction().trigger();
    }
    const std::vector<TLine> log = Log();
    ASSERT_EQ(log.size(), linesBefore + 1);
    EXPECT_TRUE(log.back().Text.startsWith("Rapor kaydedilemedi: ")) << log.back().Text.toStdString();
    EXPECT_GT(log.back().Text.size(), QString("Rapor kaydedilemedi: ").size() + folder.string().size());
    EXPECT_EQ(log.back().Colour, kRed);
    EXPECT_EQ(FilesIn(temp.Path()), before);
  }
}

TEST(ReportBaseName, TakesTheStartTimeAndADocumentNumberSafeForAFileName) {
  struct TCase {
    QString Box, Typed, Expected;
  };
  const std::vector<TCase> cases{
      {"L898902C", "X1234567<", "20250102-030405-L898902C"},
      {"", "L898902C<", "20250102-030405-L898902C"},  // no DG1 read: as typed, fillers left out
      {"../../etc/passwd", "", "20250102-030405-______etc_passwd"},
      {"AB/C\\D E", "", "20250102-030405-AB_C_D_E"},
      {"Ğ12", "", "20250102-030405-_12"},
      {"", "", "20250102-030405"},
  };
  for (const TCase& c : cases) {
    TReadingReport report;
    report.Time = QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5));
    report.TypedDocumentNumber = c.Typed;
    if (!c.Box.isEmpty()) report.Fields[TResultEdit::BelgeNo] = c.Box;
    EXPECT_EQ(ReportBaseName(report), c.Expected) << c.Box.toStdString() << " / " << c.Typed.toStdString();
  }
}

TEST(ReportFolder, IsTheChosenFolderElseZelvanInTheDocumentsFolder) {
  {
    const TScopedEnvironment chosen("ZELVAN_REPORT_DIR", "/srv/kayit");
    EXPECT_EQ(ReportFolder(), "/srv/kayit");
  }
  const TScopedEnvironment none("ZELVAN_REPORT_DIR", "");
  EXPECT_TRUE(ReportFolder().endsWith("/Zelvan")) << ReportFolder().toStdString();
  EXPECT_NE(ReportFolder(), "/Zelvan");
}

// A PACE reading as the window sees it: PACE's own lines are its access
// checks, other lines are not; nothing is taken in outside a reading, and a
// reading whose card never answered keeps the last report.
TEST(ReportRecorder, TakesInOneReadingOnly) {
  TReportRecorder recorder;
  recorder.Logged("PACE: established (before any reading)", lkProtocol);
  recorder.FieldShown(TResultEdit::BelgeNo, "X");
  EXPECT_FALSE(recorder.Report().has_value());

  const QDateTime start(QDate(2025, 1, 2), QTime(3, 4, 5));
  recorder.Arm(start, "Reader", "L898902C<");
  recorder.VerdictShown(TVerdictShown::None, {});  // before the card answers
  recorder.DocumentBegins();
  recorder.Logged("EF.CardAccess: PACE (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1)", lkProtocol);
  recorder.Logged("PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1)", lkProtocol);
  recorder.FieldShown(TResultEdit::BelgeNo, "L898902C");
  recorder.Logged("Passive authentication: PASSED", lkPassed);
  recorder.VerdictShown(TVerdictShown::Incomplete,
                        "Passive authentication: PASSED\nChip authentication: not supported");
  EXPECT_TRUE(recorder.Disarm());

  const std::vector<TReportCheck> expected{
      {"PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1)", lkProtocol},
      {"Passive authentication: PASSED", lkPassed},
      {"Chip authentication: not supported", lkProtocol},
  };
  ASSERT_TRUE(recorder.Report().has_value());
  EXPECT_EQ(recorder.Report()->Checks(), expected);
  EXPECT_EQ(recorder.Report()->Field(TResultEdit::BelgeNo), "L898902C");
  EXPECT_EQ(recorder.Report()->Verdict, TVerdictShown::Incomplete);

  recorder.Logged("Rapor: saved.pdf", lkProtocol);  // after the reading
  recorder.Arm(start.addSecs(60), "Reader", "L898902C<");
  recorder.Logged("The specified reader name is not recognized.", lkConnectionError);
  EXPECT_FALSE(recorder.Disarm());
  EXPECT_EQ(recorder.Report()->Time, start);
  EXPECT_EQ(recorder.Report()->Checks(), expected);
}

// The boxes and the face EF.SOD contradicts or cannot vouch for go into the
// report with why; the next reading's emptied screen takes them out again.
TEST(ReportRecorder, KeepsWhatEfSodDoesNotVouchFor) {
  TReportRecorder recorder;
  recorder.Arm(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)), "Reader", "L898902C<");
  recorder.DocumentBegins();
  recorder.FieldShown(TResultEdit::BelgeNo, "L898902C");
  recorder.FieldShown(TResultEdit::Adres, "ANKARA");
  recorder.FieldMarked(TResultEdit::BelgeNo, TFieldTrust::Signed, {});
  recorder.FieldMarked(TResultEdit::Adres, TFieldTrust::Contradicted, "DG11 hash: MISMATCH");
  recorder.PictureMarked(TFieldTrust::Unvouched, "DG2: not vouched for by EF.SOD (no EF.SOD on the chip)");
  recorder.VerdictShown(TVerdictShown::NotGenuine, "Passive authentication: FAILED (DG11 hash mismatch)");
  ASSERT_TRUE(recorder.Disarm());

  const QJsonObject json = QJsonDocument::fromJson(ReportJson(*recorder.Report())).object();
  EXPECT_EQ(json["notVouched"].toObject(),
            (QJsonObject{{"address", "DG11 hash: MISMATCH"},
                         {"face", "DG2: not vouched for by EF.SOD (no EF.SOD on the chip)"}}));

  recorder.Arm(QDateTime(QDate(2025, 1, 2), QTime(3, 5, 5)), "Reader", "L898902C<");
  recorder.DocumentBegins();
  recorder.DocumentCleared();
  recorder.VerdictShown(TVerdictShown::Incomplete, "Passive authentication: INCOMPLETE (no EF.SOD on the chip)");
  ASSERT_TRUE(recorder.Disarm());
  EXPECT_TRUE(recorder.Report()->Marks.empty());
  EXPECT_EQ(recorder.Report()->FaceMark.Trust, TFieldTrust::Signed);
}

TEST(CheckFacts, TakesACheckLineApart) {
  struct TCase {
    TReportCheck Line;
    QString Check, Outcome, Reason;
  };
  const std::vector<TCase> cases{
      {{"Chip authentication: FAILED (DG14 does not match EF.SOD)", lkConnectionError},
       "Chip authentication",
       "failed",
       "DG14 does not match EF.SOD"},
      {{"Active authentication: PASSED (key not vouched for by EF.SOD)", lkWarning},
       "Active authentication",
       "warning",
       "key not vouched for by EF.SOD"},
      {{"PACE: failed (the chip refused the password at the mapping: 63C2)", lkProtocol},
       "PACE",
       "failed",
       "the chip refused the password at the mapping: 63C2"},
      {{"Passive authentication: INCOMPLETE (CSCA not in the trust store)", lkProtocol},
       "Passive authentication",
       "incomplete",
       "CSCA not in the trust store"},
      {{"Active authentication: not possible (answer longer than the reader takes)", lkProtocol},
       "Active authentication",
       "not possible",
       "answer longer than the reader takes"},
      {{"EF.SOD: not on the chip", lkProtocol}, "EF.SOD", "missing", ""},
      {{"CSCA: chain INVALID (unable to get issuer (depth 1))", lkConnectionError},
       "CSCA",
       "failed",
       "unable to get issuer (depth 1)"},
  };
  for (const TCase& c : cases) {
    const TCheckFacts facts = CheckFacts(c.Line);
    EXPECT_EQ(facts.Check, c.Check) << c.Line.Text.toStdString();
    EXPECT_EQ(facts.Outcome, c.Outcome) << c.Line.Text.toStdString();
    EXPECT_EQ(facts.Reason, c.Reason) << c.Line.Text.toStdString();
  }
}

// The report's labels are the window's: each box's label stands at its left, on its row.
TEST_F(Report, LabelsAreTheWindowsOwn) {
  Open("icao-passport.zdoc");
  const QList<QLabel*> labels = window->Form().GroupBox3->findChildren<QLabel*>();
  for (const TReportField& field : ReportFields()) {
    window->SetResultText(field.Edit, "x");
    const QLineEdit* edit = nullptr;
    for (QLineEdit* candidate : window->Form().GroupBox3->findChildren<QLineEdit*>())
      if (candidate->text() == "x") edit = candidate;
    ASSERT_NE(edit, nullptr) << field.Key;
    window->SetResultText(field.Edit, "");
    const QLabel* nearest = nullptr;
    for (const QLabel* label : labels)
      if (std::abs(label->y() - edit->y() - 3) <= 2 && label->x() < edit->x() &&
          (nearest == nullptr || label->x() > nearest->x()))
        nearest = label;
    ASSERT_NE(nearest, nullptr) << field.Key;
    EXPECT_EQ(nearest->text(), field.Label) << field.Key;
  }
}

}  // namespace
