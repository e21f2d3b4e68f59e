// The simulated resource manager as the program's PC/SC seam sees it.

#include <gtest/gtest.h>

#include <array>

#include "ChipHarness.h"
#include "reader/ApduExchange.h"

namespace simchip::testing {
namespace {

std::vector<std::string> ListedNames(TSimulatedReader& reader, std::uint32_t capacity, std::int32_t& result) {
  TScardContext context = 0;
  reader.EstablishContext(kScardScopeUser, context);
  std::vector<std::uint8_t> buffer(capacity);
  std::uint32_t length = capacity;
  result = reader.ListReaders(context, buffer, length);
  std::vector<std::string> names;
  if (result != kScardSuccess) return names;
  for (std::size_t p = 0; p < length && buffer[p] != 0;) {
    names.emplace_back(reinterpret_cast<const char*>(&buffer[p]));
    p += names.back().size() + 1;
  }
  return names;
}

TEST(SimulatedReader, ListsItsReadersAsAMultiString) {
  struct TCase {
    std::vector<std::string> Names;
    std::uint32_t Capacity;
    std::int32_t Result;
  };
  const std::vector<TCase> cases{
      {{"Zelvan Virtual ACR122 00 00"}, 256, kScardSuccess},
      {{"Other Reader 00 00", "Zelvan Virtual ACR122 00 00", "Zelvan Virtual ACR122 00 01"}, 256, kScardSuccess},
      {{std::string(250, 'R'), "ACR122"}, 256, ScardCode(kScardEInsufficientBuffer)},
      {{}, 256, ScardCode(kScardENoReadersAvailable)},
  };
  for (const auto& c : cases) {
    TSimulatedReader reader(c.Names);
    std::int32_t result = 0;
    const auto names = ListedNames(reader, c.Capacity, result);
    EXPECT_EQ(result, c.Result);
    if (result == kScardSuccess) {
      EXPECT_EQ(names, c.Names);
    }
  }
}

TEST(SimulatedReader, ConnectionFailures) {
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  TSimulatedReader reader({"Empty ACR122 00 00", "Zelvan Virtual ACR122 00 00"});
  reader.InsertCard(chip, 1);
  TScardContext context = 0;
  ASSERT_EQ(reader.EstablishContext(kScardScopeUser, context), kScardSuccess);
  TScardHandle handle = 0;
  std::uint32_t protocol = 0;
  const auto connect = [&](const std::string& name) {
    return static_cast<std::uint32_t>(
        reader.Connect(context, name, kScardShareShared, kScardProtocolAny, handle, protocol));
  };
  EXPECT_EQ(connect("Nowhere 00 00"), kScardEUnknownReader);
  EXPECT_EQ(connect("Empty ACR122 00 00"), kScardENoSmartcard);
  EXPECT_EQ(connect("Zelvan Virtual ACR122 00 00"), 0u);
  EXPECT_EQ(protocol, kScardProtocolT1);

  std::vector<std::uint8_t> response(255);
  std::uint32_t length = 0;
  EXPECT_EQ(static_cast<std::uint32_t>(reader.Transmit(handle + 1, protocol, Hex("0084000008"), response, length)),
            kScardEInvalidHandle);
  EXPECT_EQ(reader.Disconnect(handle, kScardUnpowerCard), kScardSuccess);
  EXPECT_EQ(static_cast<std::uint32_t>(reader.Disconnect(handle, kScardUnpowerCard)), kScardEInvalidHandle);
  EXPECT_EQ(reader.Dispositions(), (std::vector<std::uint32_t>{kScardUnpowerCard}));

  reader.FailEstablishContext(kScardENoService);
  EXPECT_EQ(static_cast<std::uint32_t>(reader.EstablishContext(kScardScopeUser, context)), kScardENoService);
}

TEST(SimulatedReader, ServesTheProgramsReaderLink) {
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  TSimulatedReader reader({"Some Contact Reader 00 00", "Zelvan Virtual ACR122 00 00"});
  reader.InsertCard(chip, 1);
  ResetReaderLink();
  SetPcscApi(&reader);
  ReaderLink().DiscoverReader();
  EXPECT_EQ(ReaderLink().ReaderName, "Zelvan Virtual ACR122 00 00");
  EXPECT_EQ(ReaderLink().ConnectCard(), kScardSuccess);
  const TBytes select = Hex("00A4040C07A0000002471001");
  std::copy(select.begin(), select.end(), ReaderLink().SendBuf.begin());
  ReaderLink().SendLen = static_cast<std::uint32_t>(select.size());
  ReaderLink().RecvLen = 255;
  EXPECT_EQ(ReaderLink().TransmitApdu(), kScardSuccess);
  EXPECT_EQ(ToHex(std::span(ReaderLink().RecvBuf).first(ReaderLink().RecvLen)), "9000");
  ASSERT_EQ(reader.SentCommands().size(), 1u);
  EXPECT_EQ(reader.SentCommands()[0], select);
  SetPcscApi(nullptr);
  ResetReaderLink();
}

TEST(SimulatedReader, TellsTheChipsAtrAndTheLinkChoosesTheReaderHoldingIt) {
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  TSimulatedReader reader({"Some Contact Reader 00 00", "HID OMNIKEY 5422CL Smartcard Reader 01 00"});
  TScardContext context = 0;
  reader.EstablishContext(kScardScopeUser, context);
  std::array<std::uint8_t, 33> atr{};
  std::uint32_t length = 99;
  EXPECT_EQ(reader.ReaderAtr(context, "HID OMNIKEY 5422CL Smartcard Reader 01 00", atr, length), kScardSuccess);
  EXPECT_EQ(length, 0u);  // no card yet

  reader.InsertCard(chip, 1);
  EXPECT_EQ(reader.ReaderAtr(context, "Some Contact Reader 00 00", atr, length), kScardSuccess);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(reader.ReaderAtr(context, "HID OMNIKEY 5422CL Smartcard Reader 01 00", atr, length), kScardSuccess);
  EXPECT_EQ(TBytes(atr.begin(), atr.begin() + length), chip.Atr());
  EXPECT_EQ(static_cast<std::uint32_t>(reader.ReaderAtr(context, "Absent 00 00", atr, length)), kScardEUnknownReader);

  ResetReaderLink();
  SetPcscApi(&reader);
  ReaderLink().DiscoverReader();
  EXPECT_EQ(ReaderLink().ReaderName, "HID OMNIKEY 5422CL Smartcard Reader 01 00");
  reader.RemoveCard();
  ReaderLink().DiscoverReader();
  EXPECT_EQ(ReaderLink().ReaderName, "Some Contact Reader 00 00");
  SetPcscApi(nullptr);
  ResetReaderLink();
}

}  // namespace
}  // namespace simchip::testing
