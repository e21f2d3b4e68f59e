// The reader watched through GetStatusChange on the simulated resource
// manager: cards placed and taken away, readers plugged in later, and a
// resource manager that stops and comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "reader/ApduExchange.h"
#include "reader/ReaderWatch.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"

namespace {

struct TSeen {
  bool ReaderChanged, CardPlaced, CardTaken;
  bool operator==(const TSeen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TSeen& seen) {
  return out << "{changed " << seen.ReaderChanged << ", placed " << seen.CardPlaced << ", taken " << seen.CardTaken
             << "}";
}

constexpr TSeen kNothing{false, false, false};
constexpr TSeen kPlaced{false, true, false};
constexpr TSeen kTaken{false, false, true};

class ReaderWatch : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    chip = std::make_unique<simchip::TSimulatedChip>(
        simchip::LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / "icao-passport.zdoc"));
  }
  void TearDown() override {
    SetPcscApi(nullptr);
    ResetReaderLink();
  }
  void Use(simchip::TSimulatedReader& api) {
    SetPcscApi(&api);
    watch.Start();
  }
  TSeen Look() {
    const TReaderEvents events = watch.Look();
    return {events.ReaderChanged, events.CardPlaced, events.CardTaken};
  }
  const std::string& Chosen() const { return ReaderLink().ReaderName; }

  std::unique_ptr<simchip::TSimulatedChip> chip;
  simchip::TSimulatedReader reader;
  TReaderWatch watch{ReaderLink()};
};

TEST_F(ReaderWatch, TellsEachCardPlacedAndTakenAway) {
  Use(reader);
  EXPECT_EQ(Chosen(), "Zelvan Virtual ACR122 00 00");
  EXPECT_EQ(Look(), kNothing);
  EXPECT_FALSE(watch.CardPresent());

  reader.InsertCard(*chip);
  EXPECT_EQ(Look(), kPlaced);
  EXPECT_TRUE(watch.CardPresent());
  EXPECT_EQ(Look(), kNothing) << "told once";

  reader.RemoveCard();
  EXPECT_EQ(Look(), kTaken);
  EXPECT_FALSE(watch.CardPresent());
  EXPECT_EQ(Look(), kNothing);

  // Taken away and placed again between two looks: both are told.
  reader.InsertCard(*chip);
  EXPECT_EQ(Look(), kPlaced);
  reader.RemoveCard();
  reader.InsertCard(*chip);
  EXPECT_EQ(Look(), (TSeen{false, true, true}));
  EXPECT_TRUE(watch.CardPresent());
}

TEST_F(ReaderWatch, ACardAlreadyThereIsToldAtTheFirstLook) {
  reader.InsertCard(*chip);
  Use(reader);
  EXPECT_EQ(Look(), kPlaced);
  EXPECT_EQ(Look(), kNothing);
}

TEST_F(ReaderWatch, FindsReadersPluggedInLater) {
  simchip::TSimulatedReader none(std::vector<std::string>{});
  Use(none);
  EXPECT_TRUE(watch.Connected()) << "no reader yet is no lost resource manager";
  EXPECT_EQ(Chosen(), "");
  EXPECT_EQ(Look(), kNothing);

  none.PlugReader("Generic Contact Reader 00 00");
  EXPECT_EQ(Look(), (TSeen{true, false, false}));
  EXPECT_EQ(Chosen(), "Generic Contact Reader 00 00");
  EXPECT_EQ(Look(), kNothing);

  // An ACR122 plugged in beside it is preferred, as at the start.
  none.PlugReader("ACS ACR122U PICC Interface 01 00");
  EXPECT_EQ(Look(), (TSeen{true, false, false}));
  EXPECT_EQ(Chosen(), "ACS ACR122U PICC Interface 01 00");
  none.InsertCard(*chip, 1);
  EXPECT_EQ(Look(), kPlaced);
}

TEST_F(ReaderWatch, AResourceManagerThatStopsIsConnectedAgainWhenItIsBack) {
  reader.InsertCard(*chip);
  Use(reader);
  EXPECT_EQ(Look(), kPlaced);

  reader.StopService();
  EXPECT_EQ(Look(), (TSeen{true, false, true}));
  EXPECT_FALSE(watch.Connected());
  EXPECT_EQ(Chosen(), "");
  EXPECT_FALSE(watch.CardPresent());
  EXPECT_EQ(Look(), kNothing) << "still gone";

  reader.StartService();
  EXPECT_EQ(Look(), (TSeen{true, true, false}));
  EXPECT_TRUE(watch.Connected());
  EXPECT_EQ(Chosen(), "Zelvan Virtual ACR122 00 00");
  EXPECT_TRUE(watch.CardPresent()) << "the card is known in the look that found the reader again";
  EXPECT_EQ(Look(), kNothing) << "and told of once";
  // The new context carries a connection to the card.
  EXPECT_EQ(ReaderLink().ConnectCard(), kScardSuccess);
}

TEST_F(ReaderWatch, AContextOfAResourceManagerRestartedBetweenTwoLooksIsReplaced) {
  reader.InsertCard(*chip);
  Use(reader);
  EXPECT_EQ(Look(), kPlaced);
  reader.StopService();
  reader.StartService();  // the old context is now an invalid handle
  EXPECT_EQ(Look(), (TSeen{true, false, true}));
  EXPECT_EQ(Look(), (TSeen{true, true, false}));
  EXPECT_EQ(Chosen(), "Zelvan Virtual ACR122 00 00");
  EXPECT_TRUE(watch.CardPresent());
  EXPECT_EQ(ReaderLink().ConnectCard(), kScardSuccess);
}

}  // namespace
