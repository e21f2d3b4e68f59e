// RSA-2048 Active Authentication on the simulated chip under BAC's secure
// messaging: its 283-byte protected answer comes back in one extended
// response where reader and chip both take extended length, and nothing is
// sent where either lacks it. The chip's key is one libcrypto makes for the
// run; the signature is verified by the program under DG15's key.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <string>

#include "activeauth/ActiveAuthentication.h"
#include "card/CardSession.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/SimulatedChipCard.h"
#include "tools/simchip/ChipKeys.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/Lds.h"

namespace {

constexpr std::uint16_t kDg15FileId = 0x010F;

TBytes Der(EVP_PKEY* key, int (*encode)(const EVP_PKEY*, unsigned char**)) {
  unsigned char* out = nullptr;
  const int length = encode(key, &out);
  TBytes der(out, out + std::max(length, 0));
  OPENSSL_free(out);
  return der;
}

// The sample passport with DG15 and the Active Authentication key replaced
// by an RSA key of this size.
simchip::TDocument PassportWithRsaKey(unsigned bits) {
  simchip::TDocument document = simchip::LoadDocumentFile(std::string(ZELVAN_SAMPLES_DIR) + "/icao-passport.zdoc");
  EVP_PKEY* key = EVP_RSA_gen(bits);
  const TBytes publicKey = Der(key, i2d_PUBKEY);
  document.PrivateKeys[std::string(simchip::kActiveAuthenticationKey)] = Der(key, i2d_PrivateKey);
  EVP_PKEY_free(key);
  TBytes dg15{0x6F, 0x82, static_cast<std::uint8_t>(publicKey.size() >> 8),
              static_cast<std::uint8_t>(publicKey.size() & 0xFF)};
  dg15.insert(dg15.end(), publicKey.begin(), publicKey.end());
  document.Lds[kDg15FileId] = dg15;
  return document;
}

struct TRow {
  const char* Name;
  bool ReaderExtended;
  bool ChipExtended;
  std::string Line;
};

class ExtendedAnswer : public ::testing::TestWithParam<TRow> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(ExtendedAnswer, Rsa2048UnderBac) {
  const TRow& row = GetParam();
  const simchip::TDocument document = PassportWithRsaKey(2048);
  simchip::TSimulatedChip chip(document);
  chip.Options().ExtendedLength = row.ChipExtended;
  TFakePiccView view;
  TFakeCardApi card;
  card.Responder = AnswerFrom(chip);
  card.MaxApduDataSize = row.ReaderExtended ? 65536 : 0;
  card.Atrs[ReaderLink().ReaderName] = chip.Atr();
  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  OpenDocument(document.MrzInformation, efCom, session);
  ASSERT_TRUE(ctx.BacEnabled);
  card.Commands.clear();
  card.Exchanges.clear();

  const TAaResult result = PerformActiveAuthentication(document.Lds.at(kDg15FileId), session, "");

  EXPECT_EQ(ActiveAuthenticationLine(result), row.Line);
  const bool sent = row.ReaderExtended && row.ChipExtended;
  ASSERT_EQ(card.Exchanges.size(), sent ? 1u : 0u) << "one INTERNAL AUTHENTICATE, or none";
  if (!sent) return;
  const TAnswer& exchange = card.Exchanges.front();
  const std::optional<TCommandApdu> command = ParseCommand(exchange.Command);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->Ins, 0x88);
  EXPECT_TRUE(command->ExtendedLength);
  EXPECT_EQ(command->Le, 65536u) << "Le 00 00";
  // DO'87' 82 01 09 01 <264-byte cryptogram>, DO'99', DO'8E', SW1 SW2.
  EXPECT_EQ(exchange.Bytes.size(), 283u + 2u);
  EXPECT_EQ(ToHex(std::span(exchange.Bytes).first(4)), "87820109");
}

INSTANTIATE_TEST_SUITE_P(
    Sides, ExtendedAnswer,
    ::testing::Values(TRow{"Both", true, true, "Active authentication: PASSED"},
                      TRow{"ReaderShort", false, true,
                           "Active authentication: not possible (RSA-2048 signature needs extended-length APDUs; the "
                           "reader has short APDUs only)"},
                      TRow{"ChipShort", true, false,
                           "Active authentication: not possible (RSA-2048 signature needs extended-length APDUs; the "
                           "chip has short APDUs only)"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
