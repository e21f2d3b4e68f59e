// Readings that start by themselves on the offscreen window, the sample
// passport's simulated chip placed on and taken off the simulated reader: the
// second of "a card on the reader" and "inputs other than the last reading's"
// starts the reading, never one inside another.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QTest>

#include <cstddef>
#include <vector>

#include "WindowOnChip.h"
#include "app/CardWatch.h"

namespace {

// The old ICAO 9303 specimen on the sample passport: number L898902C<,
// born 1969-08-06, expiring 1994-06-23.
const QString kPassportMrz =
    "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\nL898902C<3UTO6908061F9406236ZE184226B<<<<<14\n";
// The same person's other specimen: another number and other dates.
const QString kOtherMrz =
    "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\nL898902C36UTO7408122F1204159ZE184226B<<<<<10\n";

class ReadingByItself : public TWindowOnChip<TfrmPICC> {
protected:
  // The window with the reader empty and inputs no reading used yet.
  void SetUp() override {
    Open("icao-passport.zdoc");
    reader.RemoveCard();
    Settle();
  }
  // What the window's timer would do: one look at the reader, then the events it queued.
  void Settle() {
    window->CardWatch().Look();
    QCoreApplication::processEvents();
  }
  void Place() {
    reader.InsertCard(*chip);
    Settle();
  }
  void TakeAway() {
    reader.RemoveCard();
    Settle();
  }
  void Scan(const QString& mrz) {
    window->EnterMrz(mrz);
    QCoreApplication::processEvents();
  }
  // Commands the chip got since the last call: a reading sends dozens.
  std::size_t CommandsSinceLastAsked() {
    const std::size_t count = reader.SentCommands().size();
    reader.ClearSentCommands();
    return count;
  }
  QString ShownNumber() const { return window->Form().eBelgeNo->text(); }
};

TEST_F(ReadingByItself, ACardPlacedAfterTheMrzWasScannedIsRead) {
  Scan(kPassportMrz);
  EXPECT_EQ(CommandsSinceLastAsked(), 0u) << "no card yet";
  Place();
  EXPECT_GT(CommandsSinceLastAsked(), 0u);
  EXPECT_EQ(ShownNumber(), "L898902C");
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReadingByItself, ACardPlacedFirstIsReadWhenTheMrzArrives) {
  Place();
  EXPECT_EQ(CommandsSinceLastAsked(), 0u) << "the inputs are those of the start";
  EXPECT_TRUE(ShownNumber().isEmpty());
  Scan(kPassportMrz);
  EXPECT_GT(CommandsSinceLastAsked(), 0u);
  EXPECT_EQ(ShownNumber(), "L898902C");
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReadingByItself, TakingTheCardAwayLeavesTheWindowAndUnchangedInputsAreNotReadAgain) {
  Scan(kPassportMrz);
  Place();
  ASSERT_EQ(ShownNumber(), "L898902C");
  const std::vector<TLine> log = Log();
  const QString verdict = window->VerdictPanel().text();

  TakeAway();
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(ShownNumber(), "L898902C");
  EXPECT_EQ(window->VerdictPanel().text(), verdict);
  EXPECT_FALSE(window->ShownPicture().isNull());

  CommandsSinceLastAsked();
  Place();
  EXPECT_EQ(CommandsSinceLastAsked(), 0u) << "the typed inputs were read already";
  EXPECT_EQ(Log(), log);

  // "Oku" reads whatever the inputs.
  window->bOkuClick();
  EXPECT_GT(CommandsSinceLastAsked(), 0u);
}

// The window opens with the specimen's number and dates already in the boxes:
// scanning that very MRZ is still the operator asking for a reading, and so is
// scanning the MRZ of the document just read once more.
TEST_F(ReadingByItself, AScannedMrzIsReadEvenWhenItEqualsTheInputsShown) {
  Place();
  ASSERT_EQ(CommandsSinceLastAsked(), 0u);
  const QString numberBefore = window->Form().eDocNumber->text();
  Scan(kPassportMrz);
  EXPECT_EQ(window->Form().eDocNumber->text(), numberBefore) << "the scan changed no box";
  EXPECT_GT(CommandsSinceLastAsked(), 0u);
  EXPECT_EQ(ShownNumber(), "L898902C");
  Scan(kPassportMrz);
  EXPECT_GT(CommandsSinceLastAsked(), 0u) << "the same MRZ scanned again";
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReadingByItself, ANumberBeingTypedByHandIsReadOnReturn) {
  Scan(kPassportMrz);
  Place();
  ASSERT_EQ(ShownNumber(), "L898902C");
  CommandsSinceLastAsked();
  TakeAway();
  QLineEdit& number = *window->Form().eDocNumber;
  number.clear();
  QTest::keyClicks(&number, "L898902C<");  // the number as its MRZ field holds it
  Place();
  EXPECT_EQ(CommandsSinceLastAsked(), 0u) << "a card placed while the number is being typed waits";
  // Return asks for a reading, even of a number equal to the last reading's.
  QTest::keyClick(&number, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_GT(CommandsSinceLastAsked(), 0u);
  EXPECT_EQ(ShownNumber(), "L898902C");
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReadingByItself, NoReadingStartsInsideAnotherAndInputsChangedMeanwhileAreReadAfterIt) {
  Scan(kOtherMrz);  // wrong for this chip: its BAC fails, and the error is shown while the reading runs
  std::vector<std::size_t> insideCommands;
  window->SetErrorPresenter([this, &insideCommands](const QString& message) {
    errors.push_back(message);
    if (errors.size() > 1) return;
    const std::size_t before = reader.SentCommands().size();
    window->EnterMrz(kPassportMrz);
    QCoreApplication::processEvents();
    window->CardWatch().Look();
    window->bOkuClick();
    insideCommands.push_back(reader.SentCommands().size() - before);
  });
  Place();
  ASSERT_EQ(insideCommands, std::vector<std::size_t>{0}) << "nothing was sent from inside the first reading";
  EXPECT_EQ(errors, std::vector<QString>{"Stream read error."});
  // The MRZ scanned during the first reading was read once it was over.
  EXPECT_EQ(ShownNumber(), "L898902C");
  EXPECT_EQ(window->Form().eDocNumber->text(), "L898902C<");
}

TEST_F(ReadingByItself, AResourceManagerThatCameBackIsUsedAndNamed) {
  Place();
  reader.StopService();
  Settle();
  EXPECT_EQ(window->StatusText(), " Okuyucu: Bağlı değil.");
  reader.StartService();
  Settle();
  EXPECT_EQ(window->StatusText(), " Okuyucu: Zelvan Virtual ACR122 00 00");
  Scan(kPassportMrz);
  EXPECT_EQ(ShownNumber(), "L898902C");
  EXPECT_TRUE(errors.empty());
}

}  // namespace
