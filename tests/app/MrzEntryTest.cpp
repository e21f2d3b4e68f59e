#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <memory>
#include <string>
#include <vector>

#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "support/ScriptedCard.h"
#include "ui_frmZelvan.h"

namespace {

// The ICAO 9303 specimens of Anna Maria Eriksson; all three hold the dates
// 12 August 1974 and 15 April 2012.
const QString kTd3Line1 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const QString kTd3Line2 = "L898902C36UTO7408122F1204159ZE184226B<<<<<10";
const QStringList kTd3{kTd3Line1, kTd3Line2};
const QStringList kTd2{"I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<", "D231458907UTO7408122F1204159<<<<<<<6"};
const QStringList kTd1{"I<UTOD231458907<<<<<<<<<<<<<<<", "7408122F1204159UTO<<<<<<<<<<<6",
                       "ERIKSSON<<ANNA<MARIA<<<<<<<<<<"};
const QDate kBirth(1974, 8, 12);
const QDate kExpiry(2012, 4, 15);

// A line end as a scanner types it.
enum class TLineEnd { Enter, Return, CrLf, Tab };

class MrzEntry : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    api.ConnectResult = ScardCode(kScardEUnknownReader);
    SetPcscApi(&api);
    window = std::make_unique<TfrmPICC>();
    form().eDocNumber->setText("X1234567<");
    form().eDocNumber->setCursorPosition(9);
    form().eDogTar->setDate({1969, 8, 6});
    form().eGecTar->setDate({1994, 6, 23});
  }
  void TearDown() override {
    window.reset();
    SetPcscApi(nullptr);
    ResetReaderLink();
  }

  Ui::frmPICC& form() { return window->Form(); }

  void TypeLineEnd(QWidget* widget, TLineEnd end) {
    switch (end) {
      case TLineEnd::Enter:
        QTest::keyClick(widget, Qt::Key_Enter);
        break;
      case TLineEnd::Return:
        QTest::keyClick(widget, Qt::Key_Return);
        break;
      case TLineEnd::CrLf: {
        QTest::keyClick(widget, Qt::Key_Return);
        QKeyEvent lineFeed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\n"));
        QApplication::sendEvent(widget, &lineFeed);
        break;
      }
      case TLineEnd::Tab:
        QTest::keyClick(widget, Qt::Key_Tab);
        break;
    }
  }

  void Scan(QWidget* widget, const QStringList& lines, TLineEnd end) {
    for (const QString& line : lines) {
      QTest::keyClicks(widget, line);
      TypeLineEnd(widget, end);
    }
  }

  std::vector<QString> LogTexts() {
    std::vector<QString> lines;
    for (QTextBlock block = form().rbOutput->document()->begin(); block.isValid(); block = block.next())
      if (!block.text().isEmpty()) lines.push_back(block.text());
    return lines;
  }

  void ExpectInputsUntouched(const std::string& name) {
    EXPECT_EQ(form().eDocNumber->text(), "X1234567<") << name;
    EXPECT_EQ(form().eDogTar->date(), QDate(1969, 8, 6)) << name;
    EXPECT_EQ(form().eGecTar->date(), QDate(1994, 6, 23)) << name;
  }

  TScriptedCard api;
  std::unique_ptr<TfrmPICC> window;
};

struct TScanCase {
  const char* Name;
  const char* Focus;
  QStringList Lines;
  TLineEnd End;
  QString Number;
};

TEST_F(MrzEntry, ScannedKeystrokesReplaceTheInputsWhereverTheFocusIs) {
  const std::vector<TScanCase> cases{
      {"TD3 into the number box, Enter", "eDocNumber", kTd3, TLineEnd::Enter, "L898902C3"},
      {"TD3 into the number box, CR LF", "eDocNumber", kTd3, TLineEnd::CrLf, "L898902C3"},
      {"TD2 into the birth date, Return", "eDogTar", kTd2, TLineEnd::Return, "D23145890"},
      {"TD1 into the expiry date, Tab", "eGecTar", kTd1, TLineEnd::Tab, "D23145890"},
      {"TD1 into the log, Return", "rbOutput", kTd1, TLineEnd::Return, "D23145890"},
  };
  // Keys typed by hand into the number box just before.
  const QString typedBefore = "AB";
  for (const auto& c : cases) {
    SetUp();
    QWidget* focus = window->findChild<QWidget*>(QString::fromLatin1(c.Focus));
    ASSERT_NE(focus, nullptr) << c.Name;
    if (focus != form().eDocNumber) QTest::keyClicks(form().eDocNumber, typedBefore);
    Scan(focus, c.Lines, c.End);
    EXPECT_EQ(form().eDocNumber->text(), c.Number) << c.Name;
    EXPECT_EQ(form().eDogTar->date(), kBirth) << c.Name;
    EXPECT_EQ(form().eGecTar->date(), kExpiry) << c.Name;
    EXPECT_EQ(form().eDocNumber->toolTip(), "") << c.Name;
    EXPECT_EQ(api.Connects, 0u) << c.Name;
    TearDown();
  }
  SetUp();
}

TEST_F(MrzEntry, PastedOrDroppedMrzReplacesTheInputs) {
  QGuiApplication::clipboard()->setText("  " + kTd3Line1 + "   \r\n" + kTd3Line2 + "  \n\n");
  QTest::keyClick(form().eDocNumber, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form().eDocNumber->text(), "L898902C3");
  EXPECT_EQ(form().eDogTar->date(), kBirth);
  EXPECT_EQ(form().eGecTar->date(), kExpiry);

  SetUp();
  QMimeData data;
  data.setText(kTd1.join('\n'));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form().eDocNumber, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form().eDocNumber, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(form().eDocNumber->text(), "D23145890");
  EXPECT_EQ(form().eDogTar->date(), kBirth);
  EXPECT_EQ(form().eGecTar->date(), kExpiry);
}

struct TFaultCase {
  const char* Name;
  QStringList Lines;
  QString Line;
};

TEST_F(MrzEntry, WrongCheckDigitFillsNothingMarksTheBoxAndLogsTheField) {
  const auto withTd3Line2 = [](int at, char c) {
    QString line2 = kTd3Line2;
    line2[at] = QChar::fromLatin1(c);
    return QStringList{kTd3Line1, line2};
  };
  const std::vector<TFaultCase> cases{
      {"number", withTd3Line2(9, '7'), "MRZ: check digit of the document number does not match"},
      {"birth", withTd3Line2(19, '3'), "MRZ: check digit of the date of birth does not match"},
      {"expiry, I for 1 not corrected", withTd3Line2(21, 'I'), "MRZ: check digit of the date of expiry does not match"},
      {"composite", withTd3Line2(43, '1'), "MRZ: check digit of the composite does not match"},
  };
  for (const auto& c : cases) {
    for (const bool pasted : {false, true}) {
      SetUp();
      const std::string name = std::string(c.Name) + (pasted ? ", pasted" : ", scanned");
      if (pasted) {
        QGuiApplication::clipboard()->setText(c.Lines.join('\n'));
        QTest::keyClick(form().eDocNumber, Qt::Key_V, Qt::ControlModifier);
      } else {
        Scan(form().eDocNumber, c.Lines, TLineEnd::Return);
      }
      ExpectInputsUntouched(name);
      EXPECT_EQ(form().eDocNumber->toolTip(), c.Line) << name;
      EXPECT_TRUE(form().eDocNumber->styleSheet().contains("#ff0000")) << name;
      EXPECT_EQ(LogTexts(), std::vector<QString>{c.Line}) << name;
      EXPECT_EQ(api.Connects, 0u) << name;
      TearDown();
    }
  }
  // A wrong check digit scanned with the focus on a date picker.
  SetUp();
  QStringList td1 = kTd1;
  td1[1][29] = QLatin1Char('7');
  form().eGecTar->setDate({1994, 1, 1});
  form().eGecTar->setCurrentSection(QDateTimeEdit::DaySection);
  Scan(form().eGecTar, td1, TLineEnd::Tab);
  EXPECT_EQ(form().eGecTar->date(), QDate(1994, 1, 1));
  EXPECT_EQ(form().eDocNumber->text(), "X1234567<");
  EXPECT_EQ(form().eDocNumber->toolTip(), "MRZ: check digit of the composite does not match");

  SetUp();
  Scan(form().eDocNumber, withTd3Line2(19, '3'), TLineEnd::Return);
  QTest::keyClick(form().eDocNumber, Qt::Key_Backspace);
  EXPECT_EQ(form().eDocNumber->toolTip(), "");
  EXPECT_EQ(form().eDocNumber->styleSheet(), "");
}

TEST_F(MrzEntry, TypingByHandStillWorks) {
  // A document number typed, with Tab to the next box.
  form().eDocNumber->clear();
  QTest::keyClicks(form().eDocNumber, "L898902C<");
  QTest::keyClick(form().eDocNumber, Qt::Key_Tab);
  EXPECT_EQ(form().eDocNumber->text(), "L898902C<");

  // Text pasted that is no MRZ is pasted as usual.
  QGuiApplication::clipboard()->setText("AB12");
  form().eDocNumber->setCursorPosition(0);
  QTest::keyClick(form().eDocNumber, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form().eDocNumber->text(), "AB12L898902C<");

  // A line of an MRZ's width and a line end, then keys that make it no MRZ:
  // the keys held back go where they were typed.
  form().eDocNumber->clear();
  QTest::keyClicks(form().eDocNumber, kTd3Line2);
  QTest::keyClick(form().eDocNumber, Qt::Key_Return);
  QTest::keyClicks(form().eDocNumber, "ABC");
  QTest::keyClick(form().eDocNumber, Qt::Key_Backspace);
  EXPECT_EQ(form().eDocNumber->text(), kTd3Line2 + "AB");
  EXPECT_EQ(form().eDogTar->date(), QDate(1969, 8, 6));
  EXPECT_TRUE(LogTexts().empty());
}

}  // namespace
