// The card access number on the offscreen window: the CanDialog itself, and
// whole readings of the sample ID card whose chip takes PACE only with its CAN
// and has no EF.COM (can-id-card.zdoc), OpenPACE answering for the chip; and
// the sample passport without its EF.COM, opened with BAC.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CanDialog.h"
#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"
#include "ui_CanDialog.h"
#include "ui_frmZelvan.h"

namespace {

TEST(CanDialog, HasItsNamesAndTexts) {
  TCanDialog dialog;
  EXPECT_EQ(dialog.objectName(), "CanDialog");
  EXPECT_EQ(dialog.windowTitle(), "CAN");
  EXPECT_TRUE(dialog.isModal());
  EXPECT_EQ(dialog.Form().lCan->text(), "Kart erişim numarası (CAN):");
  EXPECT_EQ(dialog.Form().lCanHint->text(), "Kartın ön yüzündeki 6 haneli numara");
  EXPECT_EQ(dialog.Form().eCan->objectName(), "eCan");
  EXPECT_EQ(dialog.Form().bTamam->text(), "Tamam");
  EXPECT_EQ(dialog.Form().bIptal->text(), "İptal");
}

struct TTypingRow {
  const char* Typed;
  const char* Shown;  // what the box keeps
  bool TamamEnabled;
};

class CanDialogTyping : public ::testing::TestWithParam<TTypingRow> {};

TEST_P(CanDialogTyping, TakesExactlySixDigits) {
  TCanDialog dialog;
  QTest::keyClicks(dialog.Form().eCan, QString::fromUtf8(GetParam().Typed));
  EXPECT_EQ(dialog.Form().eCan->text(), GetParam().Shown);
  EXPECT_EQ(dialog.Form().bTamam->isEnabled(), GetParam().TamamEnabled);
}

INSTANTIATE_TEST_SUITE_P(Inputs, CanDialogTyping,
                         ::testing::Values(TTypingRow{"", "", false}, TTypingRow{"12345", "12345", false},
                                           TTypingRow{"123456", "123456", true}, TTypingRow{"1234567", "123456", true},
                                           TTypingRow{"12a34 5-6", "123456", true}, TTypingRow{"ABCDEF", "", false}));

TEST(CanDialog, TamamGivesTheDigitsOnceAndEmptiesTheBox) {
  TCanDialog dialog;
  QTest::keyClicks(dialog.Form().eCan, "314159");
  dialog.Form().bTamam->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const std::optional<TSecretBuffer> can = dialog.TakeCan();
  ASSERT_TRUE(can.has_value());
  EXPECT_EQ(std::string(can->Bytes().begin(), can->Bytes().end()), "314159");
  EXPECT_TRUE(dialog.Form().eCan->text().isEmpty());
  EXPECT_FALSE(dialog.TakeCan().has_value()) << "taken once";
  dialog.Form().eCan->undo();
  EXPECT_TRUE(dialog.Form().eCan->text().isEmpty()) << "nothing of the CAN left in the box's undo history";
}

TEST(CanDialog, IptalGivesNothing) {
  TCanDialog dialog;
  QTest::keyClicks(dialog.Form().eCan, "314159");
  dialog.Form().bIptal->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.TakeCan().has_value());
  EXPECT_TRUE(dialog.Form().eCan->text().isEmpty());
}

simchip::TDocument Sample(const char* file) {
  return simchip::LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / file);
}

class CanReading : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("ZELVAN_TRUST_STORE", (std::filesystem::path(ZELVAN_SAMPLES_DIR) / "trust").c_str(), 1);
    ResetReaderLink();
    SetPcscApi(&reader);
    reader.InsertCard(chip);
    window = std::make_unique<TfrmPICC>();
    window->SetErrorPresenter([this](const QString& message) { errors.push_back(message); });
    window->Form().eDocNumber->clear();
  }
  void TearDown() override {
    window.reset();
    SetPcscApi(nullptr);
    ResetReaderLink();
    unsetenv("ZELVAN_TRUST_STORE");
  }

  // The dialog answered in turn with these CANs (nothing: "İptal").
  void AnswerWith(std::vector<std::optional<std::string>> answers) {
    answers_ = std::move(answers);
    window->SetCanPresenter([this]() -> std::optional<TSecretBuffer> {
      const std::optional<std::string> answer = answers_.at(asked++);
      if (!answer) return std::nullopt;
      return TSecretBuffer(std::span(reinterpret_cast<const std::uint8_t*>(answer->data()), answer->size()));
    });
  }

  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    for (QTextBlock b = window->Form().rbOutput->document()->begin(); b.isValid(); b = b.next())
      lines.push_back(b.text().toStdString());
    return lines;
  }
  std::ptrdiff_t At(const std::string& line) const {
    const auto lines = Log();
    const auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : found - lines.begin();
  }
  bool NoBac() const {
    const auto lines = Log();
    return std::none_of(lines.begin(), lines.end(),
                        [](const std::string& l) { return l.find("MrtdIcc") != std::string::npos; });
  }

  simchip::TDocument document = Sample("can-id-card.zdoc");
  simchip::TSimulatedChip chip{document};
  pacechip::TOpenPaceChip pace{chip, pacechip::WithDocumentPace({}, document.PaceOffers, document.Can)};
  simchip::TSimulatedReader reader;
  std::unique_ptr<TfrmPICC> window;
  std::vector<QString> errors;
  std::size_t asked = 0;

private:
  std::vector<std::optional<std::string>> answers_;
};

const std::string kEstablished = "PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1, CAN)";

TEST_F(CanReading, NoDocumentNumberTheCanReadsTheCardWithoutEfComInTheUsualOrder) {
  AnswerWith({"123456"});
  window->bOkuClick();
  EXPECT_EQ(asked, 1u);
  EXPECT_TRUE(errors.empty());
  const auto lines = Log();
  EXPECT_GE(At(kEstablished), 0) << ::testing::PrintToString(lines);
  const auto absent = At("EF.COM: absent; data groups from EF.SOD");
  ASSERT_GT(absent, At(kEstablished));
  // EF.SOD first, then DG1, DG11, DG12, DG2 in the usual order, each once.
  const std::vector<std::ptrdiff_t> order{absent,
                                          At("Querying file size DG(1)"),
                                          At("Querying file size DG(11)"),
                                          At("Querying file size DG(12)"),
                                          At("Querying file size DG(2)"),
                                          At("Passive authentication: PASSED")};
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) && order.front() >= 0) << ::testing::PrintToString(lines);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Querying file size DG(12)"), 1);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("EF.COM does not list"), std::string::npos) << line;
    EXPECT_EQ(line.find("DataGroups :"), std::string::npos) << line;
    EXPECT_EQ(line.find("123456"), std::string::npos) << "the CAN logged: " << line;
  }
  EXPECT_TRUE(NoBac());
  EXPECT_EQ(window->Form().eBelgeNo->text(), "C47269183");
  EXPECT_EQ(window->Form().eSoyadi1->text(), "KAYA");
  EXPECT_EQ(window->Form().eVerYer->text(), "ANKARA NÜFUS MÜDÜRLÜĞÜ");
  EXPECT_FALSE(window->ShownPicture().isNull());
  EXPECT_EQ(window->VerdictPanel().text(), "Geçerli");
}

struct TScriptRow {
  const char* Name;
  const char* Number;  // the document number typed ("" none)
  std::vector<std::optional<std::string>> Answers;
  std::vector<std::string> PaceLines;  // every line that starts with "PACE: ", in order
  bool Read;                           // the card read whole
};

class CanScripts : public CanReading, public ::testing::WithParamInterface<TScriptRow> {};

TEST_P(CanScripts, AskAgainAfterAWrongCanEndOnIptal) {
  const TScriptRow& row = GetParam();
  window->Form().eDocNumber->setText(row.Number);
  window->Form().eDogTar->setDate({1988, 3, 21});
  window->Form().eGecTar->setDate({2034, 4, 15});
  AnswerWith(row.Answers);
  window->bOkuClick();
  EXPECT_EQ(asked, row.Answers.size());
  std::vector<std::string> paceLines;
  for (const std::string& line : Log())
    if (line.starts_with("PACE: ")) paceLines.push_back(line);
  EXPECT_EQ(paceLines, row.PaceLines);
  EXPECT_TRUE(NoBac());
  EXPECT_EQ(window->Form().eBelgeNo->text(), row.Read ? "C47269183" : "");
  if (!row.Read) {
    EXPECT_EQ(Log().back(), "PACE: not tried (no CAN given)") << "the reading ends there";
    EXPECT_EQ(window->VerdictPanel().text(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CanScripts,
    ::testing::Values(TScriptRow{"MrzRefusedThenCan",
                                 "C47269183",
                                 {"123456"},
                                 {"PACE: MRZ not accepted (MSE:Set AT answered 6A88)", kEstablished},
                                 true},
                      TScriptRow{
                          "WrongThenRight", "", {"654321", "123456"}, {"PACE: failed (wrong CAN)", kEstablished}, true},
                      TScriptRow{"Cancelled", "", {std::nullopt}, {"PACE: not tried (no CAN given)"}, false},
                      TScriptRow{"MrzRefusedWrongThenCancelled",
                                 "C47269183",
                                 {"111111", std::nullopt},
                                 {"PACE: MRZ not accepted (MSE:Set AT answered 6A88)", "PACE: failed (wrong CAN)",
                                  "PACE: not tried (no CAN given)"},
                                 false}),
    [](const auto& info) { return std::string(info.param.Name); });

// The window's own dialog, answered as an operator would: it opens for each
// reading that needs the CAN (nothing of the last CAN is kept).
TEST_F(CanReading, TheWindowAsksThroughTheModalDialogEachReading) {
  int dialogs = 0;
  std::function<void()> answerDialog = [&] {
    auto* dialog = qobject_cast<TCanDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      QTimer::singleShot(10, answerDialog);
      return;
    }
    ++dialogs;
    EXPECT_EQ(dialog->objectName(), "CanDialog");
    EXPECT_TRUE(dialog->Form().eCan->text().isEmpty()) << "no CAN kept from an earlier dialog";
    QTest::keyClicks(dialog->Form().eCan, "123456");
    dialog->Form().bTamam->click();
  };
  for (int reading = 1; reading <= 2; ++reading) {
    QTimer::singleShot(0, answerDialog);
    window->bOkuClick();
    EXPECT_EQ(dialogs, reading);
    EXPECT_EQ(window->Form().eBelgeNo->text(), "C47269183");
  }
  const auto lines = Log();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kEstablished), 2);
}

// A BAC chip without EF.COM: EF.SOD's list (DG1, DG2, DG11, DG12, DG14, DG15)
// is read in the usual order, Chip Authentication first, Active
// Authentication after the face, and nothing is caught up after EF.SOD.
TEST(EfComAbsent, BacPassportReadsWhatEfSodListsInTheUsualOrder) {
  setenv("ZELVAN_TRUST_STORE", (std::filesystem::path(ZELVAN_SAMPLES_DIR) / "trust").c_str(), 1);
  const simchip::TDocument document = Sample("icao-passport.zdoc");
  simchip::TSimulatedChip chip(document, {.RefusePlainSelect = true});
  chip.Files().erase(simchip::kEfComFileId);
  simchip::TSimulatedReader reader;
  ResetReaderLink();
  SetPcscApi(&reader);
  reader.InsertCard(chip);
  {
    TfrmPICC window;
    std::vector<QString> errors;
    window.SetErrorPresenter([&](const QString& message) { errors.push_back(message); });
    window.SetCanPresenter([]() -> std::optional<TSecretBuffer> {
      ADD_FAILURE() << "no CAN for a chip without PACE";
      return std::nullopt;
    });
    window.bOkuClick();
    std::vector<std::string> lines;
    for (QTextBlock b = window.Form().rbOutput->document()->begin(); b.isValid(); b = b.next())
      lines.push_back(b.text().toStdString());
    const auto at = [&](const std::string& line) {
      const auto found = std::find(lines.begin(), lines.end(), line);
      return found == lines.end() ? -1 : found - lines.begin();
    };
    const std::vector<std::ptrdiff_t> order{at("EF.COM: absent; data groups from EF.SOD"),
                                            at("Querying file size DG(14)"),
                                            at("Querying file size DG(1)"),
                                            at("Querying file size DG(11)"),
                                            at("Querying file size DG(12)"),
                                            at("Querying file size DG(2)"),
                                            at("Querying file size DG(15)"),
                                            at("Passive authentication: PASSED"),
                                            at("Chip authentication: PASSED"),
                                            at("Active authentication: PASSED")};
    EXPECT_TRUE(order.front() >= 0 && std::is_sorted(order.begin(), order.end())) << ::testing::PrintToString(lines);
    for (const std::string& line : lines) {
      EXPECT_EQ(line.find("EF.COM does not list"), std::string::npos) << line;
      EXPECT_EQ(line.find("DataGroups :"), std::string::npos) << line;
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Querying file size DG(14)"), 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(window.Form().eBelgeNo->text(), "L898902C");
    EXPECT_EQ(window.Form().eVerYer->text(), "İSTANBUL NÜFUS MÜDÜRLÜĞÜ");
    EXPECT_EQ(window.VerdictPanel().text(), "Geçerli");
  }
  SetPcscApi(nullptr);
  ResetReaderLink();
  unsetenv("ZELVAN_TRUST_STORE");
}

}  // namespace
