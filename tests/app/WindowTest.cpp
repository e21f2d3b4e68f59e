#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <string>
#include <utility>
#include <vector>

#include "app/ErrorMessage.h"
#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "support/ScriptedCard.h"
#include "ui_frmZelvan.h"

namespace {

// A resource manager without any reader: listing fails, connecting fails.
TScriptedCard NoReaderApi() {
  TScriptedCard api;
  api.ConnectResult = ScardCode(kScardEUnknownReader);
  api.Responder = [](const TBytes&) { return TAnswer{{}, ScardCode(kScardEInvalidHandle)}; };
  api.DisconnectResult = ScardCode(kScardEInvalidHandle);
  return api;
}

class Window : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    SetPcscApi(&api);
    window = std::make_unique<TfrmPICC>();
  }
  void TearDown() override {
    window.reset();
    SetPcscApi(nullptr);
    ResetReaderLink();
  }

  template <typename T>
  T* Control(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  std::vector<std::pair<QString, QColor>> LogLines() {
    std::vector<std::pair<QString, QColor>> lines;
    auto* log = Control<QTextEdit>("rbOutput");
    for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
      const QColor colour =
          block.begin() != block.end() ? block.begin().fragment().charFormat().foreground().color() : QColor();
      lines.emplace_back(block.text(), colour);
    }
    return lines;
  }

  TScriptedCard api = NoReaderApi();
  std::unique_ptr<TfrmPICC> window;
};

struct TControlCase {
  const char* Name;
  QRect Place;
  QString Text;
};

TEST_F(Window, ControlsHaveTheirNamesPlacesAndTexts) {
  EXPECT_EQ(window->windowTitle(), "Zelvan");
  EXPECT_EQ(window->size(), QSize(626, 511));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);

  const std::vector<TControlCase> labels{
      {"Label1", {12, 299, 57, 16}, "Belge No"},      {"Label3", {169, 299, 62, 16}, "Geç.Tarihi"},
      {"Label2", {348, 299, 81, 16}, "Doğum Tarihi"}, {"Label4", {8, 11, 72, 16}, "Belge Tipi"},
      {"Label33", {248, 11, 79, 16}, "Uyruğu"},       {"Label13", {248, 41, 79, 16}, "Vatand. No"},
      {"Label14", {248, 101, 79, 16}, "Adı (EN)"},    {"Label15", {248, 131, 79, 16}, "Soyadı (EN)"},
      {"Label35", {8, 161, 72, 16}, "Ünvanı"},        {"Label6", {248, 160, 79, 16}, "Adı"},
      {"Label20", {8, 191, 72, 16}, "Doğ. Yeri"},     {"Label10", {248, 190, 79, 16}, "Soyadı"},
      {"Label22", {8, 221, 72, 16}, "Doğ. Tarihi"},   {"Label32", {248, 220, 79, 16}, "Mesleği"},
      {"Label36", {8, 251, 72, 16}, "Adresi"},
  };
  for (const auto& c : labels) {
    auto* label = Control<QLabel>(c.Name);
    ASSERT_NE(label, nullptr) << c.Name;
    EXPECT_EQ(label->geometry(), c.Place) << c.Name;
    EXPECT_EQ(label->text(), c.Text) << c.Name;
  }

  const std::vector<TControlCase> edits{
      {"eDocNumber", {75, 296, 81, 24}, "L898902C<"},
      {"eBelgeTipi", {81, 8, 111, 24}, ""},
      {"eUyrugu", {328, 8, 111, 24}, ""},
      {"eVatandNo", {328, 38, 111, 24}, ""},
      {"eAdi1", {328, 98, 146, 24}, ""},
      {"eUnvan", {81, 158, 111, 24}, ""},
      {"eAdi2", {328, 157, 146, 24}, ""},
      {"eDogYeri", {81, 188, 146, 24}, ""},
      {"eDogTar2", {81, 218, 146, 24}, ""},
      {"eMeslek", {328, 217, 146, 24}, ""},
      {"eAdres", {81, 248, 393, 24}, ""},
  };
  for (const auto& c : edits) {
    auto* edit = Control<QLineEdit>(c.Name);
    ASSERT_NE(edit, nullptr) << c.Name;
    EXPECT_EQ(edit->geometry(), c.Place) << c.Name;
    EXPECT_EQ(edit->text(), c.Text) << c.Name;
  }

  EXPECT_EQ(Control<QGroupBox>("GroupBox3")->geometry(), QRect(7, 7, 482, 283));
  EXPECT_EQ(Control<QPushButton>("bOku")->text(), "Oku");
  EXPECT_EQ(Control<QPushButton>("bOku")->geometry(), QRect(532, 296, 86, 25));
  EXPECT_TRUE(Control<QPushButton>("bOku")->font().bold());
  EXPECT_EQ(Control<QCheckBox>("cbResim")->text(), "Resim Aktar");
  EXPECT_TRUE(Control<QCheckBox>("cbResim")->isChecked());
  EXPECT_EQ(Control<QProgressBar>("pBar")->geometry(), QRect(496, 256, 122, 17));
  EXPECT_EQ(Control<QProgressBar>("pBar")->maximum(), 100);
  EXPECT_EQ(Control<QProgressBar>("pBar")->value(), 0);
  EXPECT_EQ(Control<QTextEdit>("rbOutput")->geometry(), QRect(7, 327, 611, 154));
  EXPECT_TRUE(Control<QTextEdit>("rbOutput")->isReadOnly());
  EXPECT_EQ(Control<QStatusBar>("StatusBar1")->geometry(), QRect(0, 492, 626, 19));
  EXPECT_EQ(window->StatusText(), " Okuyucu: Bağlı değil.");
  EXPECT_TRUE(Control<QLabel>("LinkLabel1")->text().contains("mailto:"));

  struct TDateCase {
    const char* Name;
    QDate Initial, Minimum, Maximum;
  };
  for (const auto& d : {TDateCase{"eGecTar", {1994, 6, 23}, {1920, 1, 1}, {2100, 1, 1}},
                        TDateCase{"eDogTar", {1969, 8, 6}, {1920, 1, 1}, {2100, 1, 1}}}) {
    auto* picker = Control<QDateEdit>(d.Name);
    ASSERT_NE(picker, nullptr) << d.Name;
    EXPECT_EQ(picker->date(), d.Initial) << d.Name;
    EXPECT_EQ(picker->minimumDate(), d.Minimum) << d.Name;
    EXPECT_EQ(picker->maximumDate(), d.Maximum) << d.Name;
    EXPECT_EQ(picker->displayFormat(), "dd.MM.yyyy");
    EXPECT_FALSE(picker->calendarPopup());
  }
}

TEST_F(Window, TabOrderFollowsTheListedSequence) {
  const std::vector<const char*> order{"rbOutput",  "eDocNumber", "eDogTar",  "bOku",     "eBelgeTipi", "eBelgeNo",
                                       "eVerYer",   "eVerTar",    "eGecTar2", "eMeslek",  "eUnvan",     "eUyrugu",
                                       "eVatandNo", "eCinsiyeti", "eAdi1",    "eSoyadi1", "eDogYeri",   "eDogTar2",
                                       "eAdi2",     "eSoyadi2",   "eAdres",   "eGecTar",  "LinkLabel1", "cbResim"};
  // The next widget that takes focus by Tab after `from`, skipping its own inner parts.
  const auto nextTabStop = [](QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain())
      if ((w->focusPolicy() & Qt::TabFocus) && !from->isAncestorOf(w) && w->focusProxy() == nullptr) return w;
    return from;
  };
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget* from = Control<QWidget>(order[i]);
    ASSERT_NE(from, nullptr) << order[i];
    QWidget* next = nextTabStop(from);
    QWidget* expected = Control<QWidget>(order[i + 1]);
    EXPECT_TRUE(next == expected || expected->isAncestorOf(next))
        << order[i] << " -> " << next->objectName().toStdString() << ", expected " << order[i + 1];
  }
}

TEST_F(Window, DocumentNumberIsUpperCasedWhileTyped) {
  auto* edit = Control<QLineEdit>("eDocNumber");
  edit->clear();
  QTest::keyClicks(edit, "l898902c<");
  EXPECT_EQ(edit->text(), "L898902C<");
}

TEST_F(Window, LogLinesTakeTheColourOfTheirKind) {
  window->LogMessage("protocol line", lkProtocol);
  window->LogMessage("Bağlantı hatası", lkConnectionError);
  window->AppendPlainLine("L898902C");
  window->LogMessage("", lkProtocol);
  window->LogMessage("after empty", lkProtocol);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], std::make_pair(QString("protocol line"), QColor(0, 0, 128)));
  EXPECT_EQ(lines[1], std::make_pair(QString("Bağlantı hatası"), QColor(255, 0, 0)));
  EXPECT_EQ(lines[2], std::make_pair(QString("L898902C"), QColor(Qt::black)));
  EXPECT_EQ(lines[3].first, "");
  EXPECT_EQ(lines[4].first, "after empty");
}

TEST_F(Window, ChipTextWithLineBreaksCannotForgeLogLines) {
  // Values a chip could carry (UTF-8), and the one line each must stay.
  const QString r(QChar::ReplacementCharacter);
  const std::vector<std::pair<std::string, QString>> cases{
      {"Profession: A\nMrtdBacReadFile : Wrong MAC in card's answer",
       "Profession: A" + r + "MrtdBacReadFile : Wrong MAC in card's answer"},
      {"MRZ: P<UTO\r\nfilesize:93", "MRZ: P<UTO" + r + r + "filesize:93"},
      {"Address: A\xE2\x80\xA8"
       "B\xE2\x80\xA9"
       "C",
       "Address: A" + r + "B" + r + "C"},
      {"Title: \xEF\xB7\x90"
       "D\xEF\xB7\x91",
       "Title: " + r + "D" + r},
  };
  std::vector<QString> expected;
  for (const auto& [text, shown] : cases) {
    window->LogMessage(text, lkProtocol);
    window->AppendPlainLine(text);
    expected.insert(expected.end(), {shown, shown});
  }
  std::vector<QString> texts;
  for (const auto& line : LogLines()) texts.push_back(line.first);
  EXPECT_EQ(texts, expected);
}

TEST_F(Window, ReadWithoutReaderWritesOneRedLineAndChangesNothingElse) {
  Control<QLineEdit>("eAdi1")->setText("ANNA");
  window->bOkuClick();
  window->bOkuClick();
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& line : lines) {
    EXPECT_EQ(line.first, "The specified reader name is not recognized.");
    EXPECT_EQ(line.second, QColor(255, 0, 0));
  }
  EXPECT_EQ(api.Connects, 2u);
  EXPECT_EQ(api.Transmits, 0u);
  EXPECT_EQ(Control<QLineEdit>("eAdi1")->text(), "ANNA");
  EXPECT_EQ(Control<QProgressBar>("pBar")->value(), 0);
  EXPECT_EQ(window->StatusText(), " Okuyucu: Bağlı değil.");
}

TEST_F(Window, ProgressBarKeepsItsPositionWithinANewMaximum) {
  window->SetProgressMax(250);
  window->SetProgressPosition(window->ProgressPosition() + 100);
  window->SetProgressPosition(window->ProgressPosition() + 100);
  EXPECT_EQ(window->ProgressPosition(), 200);
  window->SetProgressMax(93);  // a shorter file next: the position is never set back to zero
  EXPECT_EQ(window->ProgressPosition(), 93);
  window->SetProgressPosition(window->ProgressPosition() + 93);
  EXPECT_EQ(window->ProgressPosition(), 93);
  window->SetProgressMax(0);  // an unreadable length: no busy animation
  EXPECT_GT(Control<QProgressBar>("pBar")->maximum(), Control<QProgressBar>("pBar")->minimum());
}

// Reader names as pcsc-lite gives them are long (an ACR122U's; desk readers
// with extended length name their slot and serial number too): the reader
// panel gives way and every verdict word stands whole at the window's fixed
// width.
TEST_F(Window, VerdictStandsWholeBesideAnyReaderName) {
  window->show();
  for (const char* reader :
       {"ACS ACR122U PICC Interface 00 00",
        "HID Global OMNIKEY 5422 Smartcard Reader [OMNIKEY 5422CL Smartcard Reader] 01 00",
        "Identiv uTrust 3700 F Contactless Reader [uTrust 3700 F CL Reader] (55041827304121) 00 00"}) {
    const QString readerStatus = QStringLiteral(" Okuyucu: ") + QString::fromLatin1(reader);
    window->ShowVerdict(TVerdictShown::None, {});
    window->SetStatusText(readerStatus);
    for (const auto& [verdict, word] : {std::pair{TVerdictShown::Genuine, QStringLiteral("Geçerli")},
                                        std::pair{TVerdictShown::NotGenuine, QStringLiteral("Geçersiz")},
                                        std::pair{TVerdictShown::Incomplete, QStringLiteral("Eksik")}}) {
      window->ShowVerdict(verdict, "Passive authentication: PASSED");
      QCoreApplication::processEvents();
      QLabel& panel = window->VerdictPanel();
      QFont bold = panel.font();
      bold.setBold(true);
      EXPECT_EQ(panel.text(), word);
      EXPECT_EQ(window->width(), 626);
      EXPECT_GE(panel.contentsRect().width(), QFontMetrics(bold).horizontalAdvance(word))
          << reader << ": " << word.toStdString();
      const QRect inWindow(panel.mapTo(window.get(), QPoint(0, 0)), panel.size());
      EXPECT_TRUE(window->rect().contains(inWindow)) << reader << ": " << word.toStdString();
    }
    EXPECT_EQ(window->StatusText(), readerStatus);
  }
}

TEST(ErrorBoxText, AppendsFullStopAfterCharactersAbovePoint) {
  const std::vector<std::pair<QString, QString>> cases{
      {"Stream read error", "Stream read error."},
      {"Unknown JPEG 2000 file type", "Unknown JPEG 2000 file type."},
      {"Done.", "Done."},
      {"Really?", "Really?."},  // '?' is above '.' in code order
      {"Value 1", "Value 1."},
      {"Ends with a blank ", "Ends with a blank "},
      {"Ends with a comma,", "Ends with a comma,"},
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxText(message), shown) << message.toStdString();
}

}  // namespace
