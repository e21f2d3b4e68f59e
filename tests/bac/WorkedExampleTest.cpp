// The whole worked example of ICAO 9303 Part 11 as one card dialogue: the
// published RND.IFD and K.IFD are fed in, and the chip answers with the
// published bytes.

#include <gtest/gtest.h>

#include <vector>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"

namespace {

TEST(WorkedExample, OpenDocumentSendsThePublishedCommandsAndReadsEfCom) {
  ResetReaderLink();
  TFakePiccView view;
  TFakeCardApi card;
  TFixedRandomSource random(Concat({icao::kRndIfd, icao::kKIfd}));
  card.Script = {
      {Hex("6A82")},                           // SELECT of EF.CardAccess: no PACE
      {Hex("9000")},                           // SELECT of the eMRTD application
      {Hex("6982")},                           // plain SELECT of EF.COM: BAC first
      {Concat({icao::kRndIcc, Hex("9000")})},  // GET CHALLENGE
      {icao::kAuthenticateAnswer},             // EXTERNAL AUTHENTICATE
      {icao::kSelectAnswer},                   // protected SELECT of EF.COM
      {icao::kRead1Answer},                    // READ BINARY of 4 bytes at 0
      {icao::kRead2Answer},                    // READ BINARY of 18 bytes at 4
  };
  const std::vector<TBytes> expected{
      Hex("00A4020C02011C"),       Hex("00A4040C07A0000002471001"),
      Hex("00A4020C02011E"),       icao::kGetChallenge,
      icao::kExternalAuthenticate, icao::kSelectCommand,
      icao::kRead1Command,         icao::kRead2Command,
  };

  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  OpenDocument(icao::kMrzInformation, efCom, session);

  ASSERT_EQ(card.Commands.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(ToHex(card.Commands[i]), ToHex(expected[i])) << i;
  EXPECT_TRUE(ctx.BacEnabled);
  EXPECT_EQ(ToHex(ctx.encK), ToHex(icao::kSessionEnc));
  EXPECT_EQ(ToHex(ctx.macK), ToHex(icao::kSessionMac));
  EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C22C");  // initial counter + 6 MACs
  EXPECT_EQ(ToHex(ctx.RND_IFD), ToHex(icao::kRndIfd));
  EXPECT_EQ(ToHex(ctx.K_IFD), ToHex(icao::kKIfd));

  // The 22 bytes of EF.COM, then the deciphered padding of the last answer, then the caller's zeros.
  TBytes buffer(256, 0x00);
  std::ranges::copy(icao::kEfCom, buffer.begin());
  buffer[22] = 0x80;
  EXPECT_EQ(ToHex(efCom), ToHex(buffer));
  EXPECT_TRUE(view.Lines.empty());
  EXPECT_EQ(random.Remaining(), 0u);
  ResetReaderLink();
}

}  // namespace
