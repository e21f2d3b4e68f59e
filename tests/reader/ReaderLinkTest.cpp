#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "reader/ACSModule.h"
#include "reader/ApduExchange.h"

namespace {

// A resource manager that lists a fixed multi-string and records the calls.
class TListingApi : public TPcscApi {
public:
  explicit TListingApi(std::vector<std::string> names) {
    for (const auto& name : names) {
      multi.insert(multi.end(), name.begin(), name.end());
      multi.push_back(0);
    }
    multi.push_back(0);
  }

  std::int32_t EstablishContext(std::uint32_t, TScardContext& context) override {
    context = 77;
    return establishResult;
  }
  std::int32_t ListReaders(TScardContext, std::span<std::uint8_t> buffer, std::uint32_t& length) override {
    offered = length;
    if (multi.size() > length || multi.size() > buffer.size()) return ScardCode(kScardEInsufficientBuffer);
    std::memcpy(buffer.data(), multi.data(), multi.size());
    length = static_cast<std::uint32_t>(multi.size());
    return 0;
  }
  std::int32_t Connect(TScardContext, const std::string& reader, std::uint32_t share, std::uint32_t protocols,
                       TScardHandle& card, std::uint32_t& active) override {
    calls.push_back("connect " + reader + " " + std::to_string(share) + " " + std::to_string(protocols));
    if (reader.empty()) return ScardCode(kScardEUnknownReader);
    card = 5;
    active = kScardProtocolT1;
    return 0;
  }
  std::int32_t Transmit(TScardHandle, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& length) override {
    calls.push_back("transmit " + std::to_string(protocol) + " " + std::to_string(command.size()) + " " +
                    std::to_string(response.size()));
    response[0] = 0x90;
    response[1] = 0x00;
    length = 2;
    return 0;
  }
  std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) override {
    calls.push_back("disconnect " + std::to_string(card) + " " + std::to_string(disposition));
    return card == 0 ? ScardCode(kScardEInvalidHandle) : 0;
  }

  std::vector<std::uint8_t> multi;
  std::int32_t establishResult = 0;
  std::uint32_t offered = 0;
  std::vector<std::string> calls;
};

class ReaderLink : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override {
    SetPcscApi(nullptr);
    ResetReaderLink();
  }
};

struct TChoiceCase {
  std::vector<std::string> Names;
  std::string Chosen;
};

TEST_F(ReaderLink, ChoosesFirstReaderWhoseNameContainsACR122) {
  const std::vector<TChoiceCase> cases{
      {{"Other Reader 00 00", "ACS ACR122U PICC Interface 00 00", "ACS ACR122U PICC Interface 01 00"},
       "ACS ACR122U PICC Interface 00 00"},
      {{"Second ACR122 B", "First ACR122 A"}, "Second ACR122 B"},
      {{"acs acr122u picc interface"}, ""},  // lower case only: not chosen
      {{"Gemalto"}, ""},
      {{}, ""},
  };
  for (const auto& c : cases) {
    ResetReaderLink();
    TListingApi api(c.Names);
    SetPcscApi(&api);
    ::ReaderLink().DiscoverReader();
    EXPECT_EQ(::ReaderLink().ReaderName, c.Chosen);
    EXPECT_EQ(api.offered, 256u);
    EXPECT_EQ(::ReaderLink().LastResult, 0);
  }
}

TEST_F(ReaderLink, ListingOver256BytesChoosesNoReader) {
  TListingApi api({std::string(230, 'X'), "ACS ACR122U PICC Interface 00 00"});
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ReaderName, "");
  EXPECT_NE(::ReaderLink().LastResult, 0);
}

TEST_F(ReaderLink, FailedContextStopsDiscoverySilently) {
  TListingApi api({"ACS ACR122U"});
  api.establishResult = ScardCode(kScardENoService);
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ReaderName, "");
  EXPECT_EQ(::ReaderLink().LastResult, ScardCode(kScardENoService));
  EXPECT_EQ(api.offered, 0u);
}

TEST_F(ReaderLink, ConnectUnpowersOldHandleThenConnectsSharedAnyProtocol) {
  TListingApi api({"ACS ACR122U"});
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  EXPECT_EQ(::ReaderLink().ConnectCard(), 0);  // first read: disconnecting the zero handle fails unnoticed
  EXPECT_EQ(::ReaderLink().ConnectCard(), 0);
  const std::vector<std::string> expected{"disconnect 0 2", "connect ACS ACR122U 2 3", "disconnect 5 2",
                                          "connect ACS ACR122U 2 3"};
  EXPECT_EQ(api.calls, expected);
  EXPECT_EQ(::ReaderLink().ActiveProtocol, kScardProtocolT1);
}

TEST_F(ReaderLink, TransmitUsesBuffersAndGrantedCapacity) {
  TListingApi api({"ACS ACR122U"});
  SetPcscApi(&api);
  ::ReaderLink().DiscoverReader();
  ::ReaderLink().ConnectCard();
  ::ReaderLink().SendBuf[0] = 0x00;
  ::ReaderLink().SendLen = 5;
  ::ReaderLink().RecvLen = 255;
  EXPECT_EQ(::ReaderLink().TransmitApdu(), 0);
  EXPECT_EQ(api.calls.back(), "transmit 2 5 255");
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
