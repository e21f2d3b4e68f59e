// The virtual passport's side of the vpcd protocol, over a real loopback
// connection to a stand-in for the driver, and its command line.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

#include "ChipHarness.h"
#include "tools/simchip/Atr.h"
#include "tools/vpassport/VpassportOptions.h"
#include "tools/vpassport/VpcdProtocol.h"
#include "tools/vpassport/VpcdServer.h"

namespace simchip::testing {
namespace {

using namespace vpassport;

TEST(VpcdProtocol, ControlCodesAndCommands) {
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  EXPECT_EQ(AnswerVpcdMessage(chip, Hex("04")), ContactlessAtr());
  EXPECT_FALSE(AnswerVpcdMessage(chip, Hex("01")));
  EXPECT_EQ(ToHex(*AnswerVpcdMessage(chip, Hex("00A4040C07A0000002471001"))), "9000");
  EXPECT_EQ(AnswerVpcdMessage(chip, Hex("0084000008"))->size(), 10u);
  // Power off and reset forget the application and the challenge.
  for (const char* control : {"00", "02"}) {
    EXPECT_FALSE(AnswerVpcdMessage(chip, Hex(control)));
    EXPECT_EQ(ToHex(*AnswerVpcdMessage(chip, Hex("00A4020C02011E"))), "6A82") << control;
    AnswerVpcdMessage(chip, Hex("00A4040C07A0000002471001"));
  }
  EXPECT_EQ(ToHex(FrameVpcdMessage(Hex("9000"))), "00029000");
  const TBytes framed = FrameVpcdMessage(TBytes(300, 1));
  EXPECT_EQ(framed.size(), 302u);
  EXPECT_EQ(ToHex(std::span(framed).first(2)), "012C");
}

// The driver's end: listens on a loopback port and takes one connection.
class TDriverStandIn {
public:
  TDriverStandIn() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener_, 1), 0);
    socklen_t size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    Port = ntohs(address.sin_port);
  }
  ~TDriverStandIn() {
    CloseCard();
    ::close(listener_);
  }
  void Accept() { card_ = ::accept(listener_, nullptr, nullptr); }
  void CloseCard() {
    if (card_ >= 0) ::close(card_);
    card_ = -1;
  }
  void Send(const TBytes& payload) {
    const TBytes framed = FrameVpcdMessage(payload);
    ASSERT_EQ(::send(card_, framed.data(), framed.size(), 0), static_cast<ssize_t>(framed.size()));
  }
  TBytes Receive() {
    std::uint8_t length[2];
    if (!ReadAll(length, 2)) return {};
    TBytes payload(static_cast<std::size_t>(length[0] << 8 | length[1]));
    if (!ReadAll(payload.data(), payload.size())) return {};
    return payload;
  }

  std::uint16_t Port = 0;

private:
  bool ReadAll(std::uint8_t* to, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
      const ssize_t n = ::recv(card_, to + done, count - done, 0);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  int listener_ = -1;
  int card_ = -1;
};

TEST(VpcdServer, ServesTheChipUntilTheDriverCloses) {
  TDriverStandIn driver;
  std::atomic<bool> stop{false};
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  auto served = std::async(std::launch::async, [&] {
    TVpcdConnection connection("127.0.0.1", driver.Port, std::chrono::seconds(5), stop);
    return ServeChip(connection, chip);
  });
  driver.Accept();
  driver.Send(Hex("04"));
  EXPECT_EQ(driver.Receive(), ContactlessAtr());
  driver.Send(Hex("01"));
  driver.Send(Hex("00A4040C07A0000002471001"));
  EXPECT_EQ(ToHex(driver.Receive()), "9000");
  driver.Send(Hex("00A4020C02011E"));
  EXPECT_EQ(ToHex(driver.Receive()), "9000");
  driver.Send(Hex("00B0000004"));
  EXPECT_EQ(ToHex(driver.Receive()), "6982");
  driver.CloseCard();
  EXPECT_EQ(served.get(), EServeEnd::DriverClosed);
}

TEST(VpcdServer, StopsOnRequest) {
  TDriverStandIn driver;
  std::atomic<bool> stop{false};
  TSimulatedChip chip(SmallLds(), kSpecimenMrzInformation);
  auto served = std::async(std::launch::async, [&] {
    TVpcdConnection connection("127.0.0.1", driver.Port, std::chrono::seconds(5), stop);
    return ServeChip(connection, chip);
  });
  driver.Accept();
  driver.Send(Hex("04"));
  EXPECT_EQ(driver.Receive().size(), ContactlessAtr().size());
  stop = true;
  EXPECT_EQ(served.get(), EServeEnd::Stopped);
}

TEST(VpcdServer, GivesUpWhenNoDriverListens) {
  std::uint16_t port = 0;
  {
    TDriverStandIn gone;  // a port that was free a moment ago
    port = gone.Port;
  }
  std::atomic<bool> stop{false};
  EXPECT_THROW(TVpcdConnection("127.0.0.1", port, std::chrono::milliseconds(0), stop), std::runtime_error);
  EXPECT_THROW(TVpcdConnection("not-an-address", port, std::chrono::milliseconds(0), stop), std::runtime_error);
}

TEST(VpassportCommandLine, OptionsAndMistakes) {
  const auto parse = [](std::vector<std::string_view> arguments) { return ParseVpassportCommandLine(arguments); };
  const auto full =
      parse({"--document", "a.zdoc", "--port", "40000", "--host", "127.0.0.2", "--no-bac", "--refuse-plain-select",
             "--protected-errors", "--end-of-file-warning", "--connect-timeout", "3"});
  ASSERT_TRUE(full.Options);
  EXPECT_EQ(full.Options->Document, "a.zdoc");
  EXPECT_EQ(full.Options->Port, 40000);
  EXPECT_EQ(full.Options->Host, "127.0.0.2");
  EXPECT_EQ(full.Options->Patience, std::chrono::seconds(3));
  EXPECT_FALSE(full.Options->Chip.RequireBac);
  EXPECT_TRUE(full.Options->Chip.RefusePlainSelect);
  EXPECT_TRUE(full.Options->Chip.ProtectedErrors);
  EXPECT_TRUE(full.Options->Chip.EndOfFileWarning);

  const auto clone = parse({"--document", "a.zdoc", "--clone", "chip-authentication", "--clone",
                            "active-authentication", "--aa-rsa-hash", "SHA256"});
  ASSERT_TRUE(clone.Options);
  EXPECT_TRUE(clone.Options->Chip.CloneChipAuthentication);
  EXPECT_TRUE(clone.Options->Chip.CloneActiveAuthentication);
  EXPECT_EQ(clone.Options->Chip.ActiveAuthenticationRsaDigest, "SHA256");

  const auto can =
      parse({"--document", "a.zdoc", "--pace", "id-PACE-ECDH-GM-AES-CBC-CMAC-128:13", "--pace-can", "042117"});
  ASSERT_TRUE(can.Options);
  EXPECT_EQ(can.Options->Pace.Can, "042117") << "leading zero kept: the CAN is characters";
  EXPECT_TRUE(can.Options->Pace.RefuseBac) << "a chip that takes only its CAN takes no BAC either";

  const auto defaults = parse({"--document", "a.zdoc"});
  ASSERT_TRUE(defaults.Options);
  EXPECT_TRUE(defaults.Options->Pace.Can.empty());
  EXPECT_EQ(defaults.Options->Port, kDefaultVpcdPort);
  EXPECT_TRUE(defaults.Options->Chip.RequireBac);
  EXPECT_FALSE(defaults.Options->Chip.CloneChipAuthentication);
  EXPECT_FALSE(defaults.Options->Chip.CloneActiveAuthentication);
  EXPECT_EQ(defaults.Options->Chip.ActiveAuthenticationRsaDigest, "SHA1");

  const auto help = parse({"--help"});
  EXPECT_FALSE(help.Options);
  EXPECT_FALSE(help.Failed);
  EXPECT_NE(help.Message.find("--document"), std::string::npos);

  for (const auto& wrong : std::vector<std::vector<std::string_view>>{{},
                                                                      {"--port", "1"},
                                                                      {"--document"},
                                                                      {"--document", "a", "--port", "0"},
                                                                      {"--document", "a", "--port", "70000"},
                                                                      {"--document", "a", "--port", "x1"},
                                                                      {"--document", "a", "--bogus"},
                                                                      {"--document", "a", "--connect-timeout", "-1"},
                                                                      {"--document", "a", "--clone", "pace"},
                                                                      {"--document", "a", "--aa-rsa-hash", "MD5"},
                                                                      {"--document", "a", "--pace-can", "12a456"},
                                                                      {"--document", "a", "--pace-can", ""},
                                                                      {"--document", "a", "--pace-can"}}) {
    const auto parsed = parse(wrong);
    EXPECT_FALSE(parsed.Options);
    EXPECT_TRUE(parsed.Failed);
  }
}

// --pace-im and --pace-cam take PROTOCOL:ID of their own mapping, in a group that goes with the protocol.
TEST(VpassportCommandLine, OwnMappingOffers) {
  struct TCase {
    std::vector<std::string_view> Arguments;
    const char* Protocol;  // nullptr: refused
    int ParameterId = 0;
  };
  const std::vector<TCase> cases{
      {{"--pace-im", "id-PACE-ECDH-IM-AES-CBC-CMAC-128:13"}, "id-PACE-ECDH-IM-AES-CBC-CMAC-128", 13},
      {{"--pace-im", "id-PACE-DH-IM-AES-CBC-CMAC-128:0"}, "id-PACE-DH-IM-AES-CBC-CMAC-128", 0},
      {{"--pace-cam", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128:13"}, "id-PACE-ECDH-CAM-AES-CBC-CMAC-128", 13},
      {{"--pace-cam", "id-PACE-ECDH-CAM-AES-CBC-CMAC-256:17"}, "id-PACE-ECDH-CAM-AES-CBC-CMAC-256", 17},
      {{"--pace", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128:12"}, "id-PACE-ECDH-CAM-AES-CBC-CMAC-128", 12},
      {{"--pace-im", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128:13"}, nullptr},  // CAM is not IM
      {{"--pace-cam", "id-PACE-ECDH-IM-AES-CBC-CMAC-128:13"}, nullptr},
      {{"--pace-im", "id-PACE-ECDH-GM-AES-CBC-CMAC-128:13"}, nullptr},
      {{"--pace-im", "id-PACE-ECDH-IM-AES-CBC-CMAC-128:0"}, nullptr},  // a DH group for ECDH
      {{"--pace-im", "id-PACE-DH-IM-AES-CBC-CMAC-128:13"}, nullptr},   // a curve for DH
      {{"--pace-im", "id-PACE-ECDH-IM-AES-CBC-CMAC-128:99"}, nullptr},
      {{"--pace-im", "id-PACE-ECDH-IM-AES-CBC-CMAC-256:13"}, nullptr},  // IM with AES-128 only
      {{"--pace-cam", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128"}, nullptr},
      {{"--pace-cam"}, nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Arguments.back()));
    std::vector<std::string_view> arguments{"--document", "a.zdoc"};
    arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
    const auto parsed = ParseVpassportCommandLine(arguments);
    if (!c.Protocol) {
      EXPECT_FALSE(parsed.Options);
      EXPECT_TRUE(parsed.Failed);
      continue;
    }
    ASSERT_TRUE(parsed.Options) << parsed.Message;
    ASSERT_EQ(parsed.Options->Pace.Offers.size(), 1u);
    EXPECT_EQ(parsed.Options->Pace.Offers[0].Protocol, c.Protocol);
    EXPECT_EQ(parsed.Options->Pace.Offers[0].ParameterId, c.ParameterId);
  }

  const auto both = ParseVpassportCommandLine(
      std::vector<std::string_view>{"--document", "a.zdoc", "--pace-cam", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128:13",
                                    "--pace", "id-PACE-ECDH-GM-AES-CBC-CMAC-128:13", "--clone", "pace-cam"});
  ASSERT_TRUE(both.Options);
  EXPECT_EQ(both.Options->Pace.Offers.size(), 2u) << "the offers in the order given";
  EXPECT_TRUE(both.Options->CloneCam);
  EXPECT_FALSE(both.Options->Chip.CloneChipAuthentication);
  const auto help = ParseVpassportCommandLine(std::vector<std::string_view>{"--help"});
  for (const char* flag : {"--pace-im", "--pace-cam", "pace-cam"})
    EXPECT_NE(help.Message.find(flag), std::string::npos) << flag;
}

TEST(VpassportDocumentPace, TheCommandLineWinsTheDocumentFillsIn) {
  const std::vector<std::string> documentOffers{"id-PACE-ECDH-GM-AES-CBC-CMAC-128:13", "id-PACE-DH-GM-3DES-CBC-CBC:0"};
  const pacechip::TPaceChipOptions fromDocument = pacechip::WithDocumentPace({}, documentOffers, "123456");
  ASSERT_EQ(fromDocument.Offers.size(), 2u);
  EXPECT_EQ(fromDocument.Offers[1].Protocol, "id-PACE-DH-GM-3DES-CBC-CBC");
  EXPECT_EQ(fromDocument.Offers[1].ParameterId, 0);
  EXPECT_EQ(fromDocument.Can, "123456");
  EXPECT_TRUE(fromDocument.RefuseBac);

  pacechip::TPaceChipOptions given;
  given.Offers = {{"id-PACE-ECDH-GM-AES-CBC-CMAC-256", 17}};
  given.Can = "654321";
  const pacechip::TPaceChipOptions kept = pacechip::WithDocumentPace(given, documentOffers, "123456");
  ASSERT_EQ(kept.Offers.size(), 1u);
  EXPECT_EQ(kept.Offers[0].ParameterId, 17);
  EXPECT_EQ(kept.Can, "654321");

  const pacechip::TPaceChipOptions mrzOnly = pacechip::WithDocumentPace({}, {}, "");
  EXPECT_TRUE(mrzOnly.Offers.empty());
  EXPECT_FALSE(mrzOnly.RefuseBac);
  EXPECT_THROW(pacechip::WithDocumentPace({}, {"id-PACE-NOTHING:13"}, ""), std::runtime_error);
  EXPECT_THROW(pacechip::WithDocumentPace({}, {"id-PACE-ECDH-GM-AES-CBC-CMAC-128:256"}, ""), std::runtime_error);
}

}  // namespace
}  // namespace simchip::testing
