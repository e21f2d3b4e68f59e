// The worked Basic Access Control and secure messaging example of ICAO Doc
// 9303 part 11 (appendix D), byte for byte, from the chip's side and from the
// helper terminal's side.

#include <gtest/gtest.h>

#include "ChipHarness.h"
#include "tools/simchip/MutualAuthentication.h"

namespace simchip::testing {
namespace {

// Published values of the example.
struct TExample {
  TKey KSeed = Key("239AB9CB282DAF66231DC5A4DF6BFBAE");
  TKey KEnc = Key("AB94FDECF2674FDFB9B391F85D7F76F2");
  TKey KMac = Key("7962D9ECE03D1ACD4C76089DCE131543");
  TBlock RndIcc = Block("4608F91988702212");
  TBlock RndIfd = Block("781723860C06C226");
  TKey KIfd = Key("0B795240CB7049B01C19B33E32804F0B");
  TKey KIcc = Key("0B4F80323EB3191CB04970CB4052790B");
  TBytes ExternalAuthenticate =
      Hex("0082000028 72C29C2371CC9BDB65B779B8E8D37B29ECC154AA56A8799FAE2F498F76ED92F2 5F1448EEA8AD90A7 28");
  TBytes ExternalAuthenticateAnswer =
      Hex("46B9342A41396CD7386BF5803104D7CEDC122B9132139BAF2EEDC94EE178534F 2F2D235D074D7449 9000");
  TKey KsEnc = Key("979EC13B1CBFE9DCD01AB0FED307EAE5");
  TKey KsMac = Key("F1CB1F1FB5ADF208806B89DC579DC1F8");
  TBlock InitialCounter = Block("887022120C06C226");
  TBytes EfCom = Hex("60145F0104303130365F36063034303030305C026175");
  // Protected SELECT of EF.COM, READ BINARY of its first 4 bytes, then of the remaining 18.
  std::vector<std::pair<TBytes, TBytes>> Exchanges{
      {Hex("0CA4020C158709016375432908C044F68E08BF8B92D635FF24F800"), Hex("990290008E08FA855A5D4C50A8ED9000")},
      {Hex("0CB000000D9701048E08ED6705417E96BA5500"), Hex("8709019FF0EC34F9922651990290008E08AD55CC17140B2DED9000")},
      {Hex("0CB000040D9701128E082EA28A70F3C7B53500"),
       Hex("871901FB9235F4E4037F2327DCC8964F1F9B8C30F42C8E2FFF224A990290008E08C8B2787EAEA07D749000")},
  };

  static TKey Key(std::string_view hex) { return ToArray<TKey>(hex); }
  static TBlock Block(std::string_view hex) { return ToArray<TBlock>(hex); }
  template <typename TArray>
  static TArray ToArray(std::string_view hex) {
    const TBytes bytes = Hex(hex);
    TArray array{};
    std::copy(bytes.begin(), bytes.end(), array.begin());
    return array;
  }
};

TLds ExampleLds(const TExample& example) { return {{kEfComFileId, example.EfCom}}; }

TEST(WorkedExample, DocumentKeysFromTheMrzInformation) {
  const TExample example;
  EXPECT_EQ(KeySeedFromMrz(kSpecimenMrzInformation), example.KSeed);
  const TKeyPair keys = DeriveKeys(example.KSeed);
  EXPECT_EQ(keys.Enc, example.KEnc);
  EXPECT_EQ(keys.Mac, example.KMac);
}

TEST(WorkedExample, ChipAuthenticatesTheTerminalAndDerivesTheSessionKeys) {
  const TExample example;
  const auto data = std::span(example.ExternalAuthenticate).subspan(5, 40);
  const auto result = AuthenticateTerminal({example.KEnc, example.KMac}, example.RndIcc, data, example.KIcc);
  ASSERT_TRUE(result);
  EXPECT_EQ(ToHex(result->Answer), ToHex(std::span(example.ExternalAuthenticateAnswer).first(40)));
  EXPECT_EQ(result->SessionKeys.Enc, example.KsEnc);
  EXPECT_EQ(result->SessionKeys.Mac, example.KsMac);
  EXPECT_EQ(result->InitialCounter, example.InitialCounter);
}

TEST(WorkedExample, ChipAnswersThePublishedCommandsWithThePublishedAnswers) {
  const TExample example;
  TChipHarness harness({}, ExampleLds(example));
  harness.Chip.SetNextChallenge(example.RndIcc);
  harness.Chip.SetNextKeyMaterial(example.KIcc);

  EXPECT_EQ(ToHex(harness.Exchange(Hex("00A4040C07A0000002471001"))), "9000");
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0084000008"))), ToHex(example.RndIcc) + "9000");
  EXPECT_EQ(ToHex(harness.Exchange(example.ExternalAuthenticate)), ToHex(example.ExternalAuthenticateAnswer));
  EXPECT_EQ(harness.Chip.SessionCounter(), example.InitialCounter);
  for (const auto& [command, answer] : example.Exchanges)
    EXPECT_EQ(ToHex(harness.Exchange(command)), ToHex(answer)) << ToHex(command);
}

TEST(WorkedExample, HelperTerminalSendsThePublishedCommandsAndReadsEfCom) {
  const TExample example;
  TChipHarness harness({}, ExampleLds(example));
  harness.Chip.SetNextChallenge(example.RndIcc);
  harness.Chip.SetNextKeyMaterial(example.KIcc);
  TBacTerminal terminal = harness.Terminal();
  ASSERT_EQ(terminal.SelectApplication().Status, kSwSuccess);
  ASSERT_EQ(terminal.Authenticate(kSpecimenMrzInformation, example.RndIfd, example.KIfd).Status, kSwSuccess);
  ASSERT_TRUE(terminal.SessionOpen());
  EXPECT_EQ(terminal.Counter(), example.InitialCounter);

  EXPECT_EQ(terminal.Select(kEfComFileId).Status, kSwSuccess);
  const auto head = terminal.Read(0, 4);
  const auto rest = terminal.Read(4, 18);
  EXPECT_TRUE(head.Authentic && rest.Authentic);
  EXPECT_EQ(ToHex(head.Data) + ToHex(rest.Data), ToHex(example.EfCom));

  const auto& sent = harness.Reader.SentCommands();
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(ToHex(sent[2]), ToHex(example.ExternalAuthenticate));
  for (std::size_t i = 0; i < example.Exchanges.size(); ++i)
    EXPECT_EQ(ToHex(sent[3 + i]), ToHex(example.Exchanges[i].first));
}

TEST(WorkedExample, EfComBuilderGivesTheExampleFile) {
  EXPECT_EQ(ToHex(MakeEfCom({1, 2}, "0106", "040000")), ToHex(TExample().EfCom));
}

}  // namespace
}  // namespace simchip::testing
