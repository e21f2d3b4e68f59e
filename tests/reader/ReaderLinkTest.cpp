#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "reader/ACSModule.h"
#include "reader/ApduExchange.h"
#include "support/ScriptedCard.h"

namespace {

// A resource manager that lists the given readers and records the calls; its
// card answers 90 00 to everything.
TScriptedCard ListingApi(std::vector<std::string> names) {
  TScriptedCard api;
  api.Readers = std::move(names);
  api.NoReadersResult = kScardSuccess;
  api.RefuseUnlisted = true;
  api.Context = 77;
  api.Handle = 5;
  api.Responder = [](const TBytes&) { return TAnswer{{0x90, 0x00}}; };
  return api;
}

class ReaderLink : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override {
    SetPcscApi(nullptr);
    ResetReaderLink();
  }
};

// ATRs a reader reports: contactless cards in the PC/SC form (3B 8x 80 01 ...), a contact card.
const TBytes kContactlessAtr = Hex("3B 88 80 01 00 00 00 00 00 81 71 00 79");
const TBytes kOtherContactlessAtr = Hex("3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A");
const TBytes kContactAtr = Hex("3B 9F 95 81 31 FE 9F 00 66 46 53 05 01 00 11 71 DF 00 00 03 90 00 80");
const TBytes kT0OnlyAtr = Hex("3B 88 00 01 00 00 00 00 00 81 71 00 79");

struct TChoiceCase {
  const char* Name;
  std::vector<std::string> Names;
  std::map<std::string, TBytes> Atrs;
  std::string Chosen;
};

TEST_F(ReaderLink, ChoosesTheACR122ElseAReaderHoldingAContactlessCardElseTheFirst) {
  const std::vector<TChoiceCase> cases{
      {"the first ACR122",
       {"Other Reader 00 00", "ACS ACR122U PICC Interface 00 00", "ACS ACR122U PICC Interface 01 00"},
       {{"Other Reader 00 00", kContactlessAtr}},
       "ACS ACR122U PICC Interface 00 00"},
      {"an ACR122 named later", {"Second ACR122 B", "First ACR122 A"}, {}, "Second ACR122 B"},
      {"no ACR122, the second holds a contactless card",
       {"Identiv uTrust 3700 F CL Reader 00 00", "HID OMNIKEY 5022 Smart Card Reader 00 00"},
       {{"HID OMNIKEY 5022 Smart Card Reader 00 00", kOtherContactlessAtr}},
       "HID OMNIKEY 5022 Smart Card Reader 00 00"},
      {"no ACR122, a contact card first",
       {"Contact Reader 00 00", "ACS ACR1252 1S CL Reader PICC 00 00"},
       {{"Contact Reader 00 00", kContactAtr}, {"ACS ACR1252 1S CL Reader PICC 00 00", kContactlessAtr}},
       "ACS ACR1252 1S CL Reader PICC 00 00"},
      {"no contactless card: the first",
       {"Gemalto", "acs acr122u picc interface"},
       {{"Gemalto", kContactAtr}},
       "Gemalto"},
      {"T=0 only is no contactless form",
       {"First 00 00", "Second 00 00"},
       {{"Second 00 00", kT0OnlyAtr}},
       "First 00 00"},
      {"no reader", {}, {}, ""},
  };
  for (const auto& c : cases) {
    ResetReaderLink();
    TScriptedCard api = ListingApi(c.Names);
    api.Atrs = c.Atrs;
    SetPcscApi(&api);
    ::ReaderLink().DiscoverReader();
    EXPECT_EQ(::ReaderLink().ReaderName, c.Chosen) << c.Name;
    EXPECT_EQ(api.OfferedListLength, 256u) << c.Name;
    EXPECT_EQ(::ReaderLink().LastResult, 0) << c.Name;
  }
}

TEST_F(ReaderLink, ReadersThatCannotTellTheirCardLeaveTheFirst) {
  TScriptedCard api = ListingApi({"First 00 00", "Second 00 00"});
  api.Atrs = {{"Second 00 00", kContactlessAtr}};
  api.ReaderAtrResult = ScardCode(kScardENoService);
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ReaderName, "First 00 00");
  EXPECT_EQ(::ReaderLink().LastResult, 0);
}

TEST_F(ReaderLink, ListingOver256BytesChoosesNoReader) {
  TScriptedCard api = ListingApi({std::string(230, 'X'), "ACS ACR122U PICC Interface 00 00"});
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ReaderName, "");
  EXPECT_NE(::ReaderLink().LastResult, 0);
}

TEST_F(ReaderLink, FailedContextStopsDiscoverySilently) {
  TScriptedCard api = ListingApi({"ACS ACR122U"});
  api.EstablishResult = ScardCode(kScardENoService);
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ReaderName, "");
  EXPECT_EQ(::ReaderLink().LastResult, ScardCode(kScardENoService));
  EXPECT_EQ(api.OfferedListLength, 0u);
}

TEST_F(ReaderLink, ConnectUnpowersOldHandleThenConnectsSharedAnyProtocol) {
  TScriptedCard api = ListingApi({"ACS ACR122U"});
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ConnectCard(), 0);  // first read: disconnecting the zero handle fails unnoticed
  EXPECT_EQ(::ReaderLink().ConnectCard(), 0);
  const std::vector<std::string> expected{"disconnect 0 2", "connect ACS ACR122U 2 3", "disconnect 5 2",
                                          "connect ACS ACR122U 2 3"};
  EXPECT_EQ(api.Calls, expected);
  EXPECT_EQ(::ReaderLink().ActiveProtocol, kScardProtocolT1);
}

TEST_F(ReaderLink, TransmitUsesBuffersAndGrantedCapacity) {
  TScriptedCard api = ListingApi({"ACS ACR122U"});
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  ::ReaderLink().ConnectCard();
  ::ReaderLink().SendBuf[0] = 0x00;
  ::ReaderLink().SendLen = 5;
  ::ReaderLink().RecvLen = 255;
  EXPECT_EQ(::ReaderLink().TransmitApdu(), 0);
  EXPECT_EQ(api.Calls.back(), "transmit 2 5 255");
  EXPECT_EQ(::ReaderLink().RecvLen, 2u);
  EXPECT_EQ(::ReaderLink().RecvBuf[0], 0x90);

  ::ReaderLink().ClearApduBuffers();
  EXPECT_EQ(::ReaderLink().RecvBuf[0], 0x00);
  EXPECT_EQ(::ReaderLink().RecvLen, 2u);  // lengths keep their values
  EXPECT_EQ(::ReaderLink().SendLen, 5u);
}

TEST(SplitReaderNames, StopsAtEmptyNameAndAtLength) {
  const std::uint8_t buffer[] = {'A', 0, 'B', 'C', 0, 0, 'D', 0};
  std::vector<std::string> names;
  SplitReaderNames(names, buffer, sizeof buffer);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "BC"}));

  names.clear();
  const std::uint8_t unterminated[] = {'A', 'B', 'C'};
  SplitReaderNames(names, unterminated, 2);  // never reads at or beyond length
  EXPECT_EQ(names, (std::vector<std::string>{"AB"}));
}

TEST(SCardErrorText, MapsEveryListedCodeAndFallsBackToSignedDecimal) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases{
      {0x80100001, "An internal consistency check failed."},
      {0x80100009, "The specified reader name is not recognized."},
      {0x8010000C, "The operation requires a Smart Card, but no Smart Card is currently in the device."},
      {kScardEProtoMismatch,
       "The requested protocols are incompatible with the protocol currently in use with the smart card."},
      {0x8010001D, "The Smart card resource manager is not running."},
      {0x8010001E, "The Smart card resource manager has shut down."},
      {0x80100065, "The reader cannot communicate with the smart card, due to ATR configuration conflicts."},
      {0x80100069, "The smart card has been removed, so that further communication is not possible."},
      {0x8010002E, "Unknown Error: -2146435026"},
      {0x8010001F, "Unknown Error: -2146435041"},
      {0x00000001, "Unknown Error: 1"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(SCardErrorText(code), text) << std::hex << code;

  // Every code of the two contiguous ranges has its own text.
  for (std::uint32_t code = 0x80100001; code <= 0x8010001E; ++code)
    EXPECT_EQ(SCardErrorText(code).rfind("Unknown Error", 0), std::string::npos) << std::hex << code;
  for (std::uint32_t code = 0x80100065; code <= 0x80100069; ++code)
    EXPECT_EQ(SCardErrorText(code).rfind("Unknown Error", 0), std::string::npos) << std::hex << code;
}

}  // namespace
