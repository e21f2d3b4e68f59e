// Opening a document whose EF.CardAccess lists PACE: the chip's PACE answers
// are those of ICAO 9303-11 Appendix G.1; after PACE the chip's secure
// messaging is played here with libcrypto's AES and CMAC directly (not the
// program's), so the protected SELECTs and READ BINARYs are checked by
// something the program did not write.

#include <gtest/gtest.h>

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"
#include "support/OpenSslCmac.h"
#include "support/PaceVectors.h"

namespace {

// The chip's end of AES secure messaging under the G.1 session keys.
class TChipMessaging {
public:
  TChipMessaging(TBytes enc, TBytes mac) : enc_(std::move(enc)), mac_(std::move(mac)) {}

  // The plain data of a protected command (its DO'87' deciphered); the MAC is checked.
  TBytes OpenCommand(const TBytes& command) {
    Step();
    const std::size_t macAt = command.size() - 11;  // 8E 08 MAC, then Le
    TBytes macInput{command[0], command[1], command[2], command[3], 0x80};
    macInput.resize(16, 0x00);
    macInput.insert(macInput.end(), command.begin() + 5, command.begin() + static_cast<std::ptrdiff_t>(macAt));
    EXPECT_EQ(ToHex(Mac(macInput)), ToHex(TBytes(command.begin() + static_cast<std::ptrdiff_t>(macAt) + 2,
                                                 command.begin() + static_cast<std::ptrdiff_t>(macAt) + 10)));
    if (command[5] != 0x87) return {};
    const TBytes cryptogram(command.begin() + 8, command.begin() + 8 + command[6] - 1);
    TBytes plain = Cipher(cryptogram, false);
    while (!plain.empty() && plain.back() == 0x00) plain.pop_back();
    if (!plain.empty()) plain.pop_back();  // 80
    return plain;
  }

  // DO'87' (when there is data), DO'99', DO'8E', status word.
  TBytes Answer(const TBytes& data, std::uint16_t status) {
    Step();
    TBytes body;
    if (!data.empty()) {
      TBytes padded = data;
      padded.push_back(0x80);
      while (padded.size() % 16 != 0) padded.push_back(0x00);
      const TBytes cryptogram = Cipher(padded, true);
      body = Concat({Hex("87"), {static_cast<std::uint8_t>(cryptogram.size() + 1)}, Hex("01"), cryptogram});
    }
    const TBytes sw{static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status)};
    body = Concat({body, Hex("9902"), sw});
    return Concat({body, Hex("8E08"), Mac(body), sw});
  }

private:
  void Step() {
    for (int i = 15; i >= 0 && ++ssc_[static_cast<std::size_t>(i)] == 0; --i) {
    }
  }
  TBytes Cipher(const TBytes& input, bool encrypt) {
    TBytes iv(16);
    int length = 0;
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex2(context, EVP_aes_128_ecb(), enc_.data(), nullptr, nullptr);
    EVP_CIPHER_CTX_set_padding(context, 0);
    EVP_EncryptUpdate(context, iv.data(), &length, ssc_.data(), 16);
    EVP_CipherInit_ex2(context, EVP_aes_128_cbc(), enc_.data(), iv.data(), encrypt ? 1 : 0, nullptr);
    EVP_CIPHER_CTX_set_padding(context, 0);
    TBytes output(input.size());
    EVP_CipherUpdate(context, output.data(), &length, input.data(), static_cast<int>(input.size()));
    EVP_CIPHER_CTX_free(context);
    return output;
  }
  TBytes Mac(TBytes message) {
    message.push_back(0x80);
    while (message.size() % 16 != 0) message.push_back(0x00);
    message.insert(message.begin(), ssc_.begin(), ssc_.end());
    return OpenSslCmac8(mac_, message);
  }

  TBytes enc_;
  TBytes mac_;
  std::array<std::uint8_t, 16> ssc_{};
};

class PaceOpenDocument : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    const TBytes cardAccess = g1.Bytes("card_access");
    card.Script = {{Hex("9000")},
                   {Concat({TBytes(cardAccess.begin(), cardAccess.begin() + 4), Hex("9000")})},
                   {Concat({TBytes(cardAccess.begin() + 4, cardAccess.end()), Hex("9000")})}};
    for (const char* step : {"rsp_mse", "rsp_ga1", "rsp_ga2", "rsp_ga3", "rsp_ga4"})
      card.Script.push_back({g1.Bytes(step)});
  }
  void TearDown() override { ResetReaderLink(); }

  TVectorSection g1 = PublishedVectors("icao-g1");
  TFakePiccView view;
  TFakeCardApi card;
  TFixedRandomSource random{Concat({g1.Bytes("sk_map_ifd"), g1.Bytes("sk_dh_ifd")})};
  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  const std::string offered = "EF.CardAccess: PACE (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1)";
};

TEST_F(PaceOpenDocument, SelectsAndReadsUnderAesSecureMessaging) {
  TChipMessaging chip(g1.Bytes("ks_enc"), g1.Bytes("ks_mac"));
  std::vector<TBytes> plain;
  // The answers after PACE: both SELECTs, EF.COM's first 4 bytes, then its rest.
  std::size_t reads = 0;
  card.Responder = [&](const TBytes& command) {
    plain.push_back(chip.OpenCommand(command));
    if (command[1] == 0xA4) return TAnswer{chip.Answer({}, 0x9000)};
    const TBytes& file = icao::kEfCom;
    const TBytes part = reads++ == 0 ? TBytes(file.begin(), file.begin() + 4) : TBytes(file.begin() + 4, file.end());
    return TAnswer{chip.Answer(part, 0x9000)};
  };
  TCardSession channelSession(ctx);
  OpenDocument(g1.Text("mrz_information"), efCom, channelSession);
  TSecureChannel* channel = &channelSession.Messaging();

  ASSERT_EQ(card.Commands.size(), 12u);
  EXPECT_EQ(ToHex(card.Commands[0]), "00A4020C02011C");
  EXPECT_EQ(ToHex(card.Commands[1]), "00B0000004");
  EXPECT_EQ(ToHex(card.Commands[2]), "00B0000412");
  EXPECT_EQ(ToHex(card.Commands[3]), g1.Text("cmd_mse"));
  EXPECT_EQ(ToHex(card.Commands[7]), g1.Text("cmd_ga4"));
  ASSERT_EQ(plain.size(), 4u);
  EXPECT_EQ(ToHex(plain[0]), "A0000002471001") << "the eMRTD application";
  EXPECT_EQ(ToHex(plain[1]), "011E") << "EF.COM";
  EXPECT_EQ(ToHex(card.Commands[10]).substr(0, 16), "0CB000000D970104");
  EXPECT_EQ(ToHex(card.Commands[11]).substr(0, 16), "0CB000040D970112");
  EXPECT_EQ(ToHex(std::span(efCom).first(icao::kEfCom.size())), ToHex(icao::kEfCom));
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{
                              offered, "PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1)"}));
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(channel->DataGroupSelect(), TDataGroupSelect::Protected);
}

TEST_F(PaceOpenDocument, WrongPasswordEndsWithoutBac) {
  card.Script.back() = {Hex("6300")};  // the chip's answer to the terminal's token
  card.Responder = [](const TBytes& command) {
    ADD_FAILURE() << "no command after a failed PACE: " << ToHex(command);
    return TAnswer{Hex("6F00")};
  };
  TCardSession channelSession(ctx);
  OpenDocument(icao::kMrzInformation, efCom, channelSession);
  TSecureChannel* channel = &channelSession.Messaging();
  EXPECT_EQ(card.Commands.size(), 8u);
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{
                offered, "PACE: failed (the chip refused the password at the authentication tokens: 6300)"}));
  EXPECT_FALSE(ctx.BacEnabled);
  EXPECT_EQ(efCom, TEFComBuffer{});
  // Whatever the chip sends in plain later is not taken.
  std::array<std::uint8_t, 16> plaintext{};
  std::size_t length = 0;
  EXPECT_NE(channel->OpenDataAnswer(Hex("60145F019000"), plaintext, length), TUnwrapResult::Ok);
}

TEST_F(PaceOpenDocument, ChipTokenThatDoesNotVerifyEndsWithoutBac) {
  TBytes answer = g1.Bytes("rsp_ga4");
  answer[5] ^= 0x01;  // first byte of T_IC
  card.Script.back() = {answer};
  TCardSession session(ctx);
  OpenDocument(g1.Text("mrz_information"), efCom, session);
  EXPECT_EQ(card.Commands.size(), 8u);
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{offered, "PACE: failed (the chip's authentication token does not verify)"}));
  EXPECT_FALSE(ctx.BacEnabled);
}

TEST_F(PaceOpenDocument, MseRefusedAsUnsupportedFallsBackToBac) {
  card.Script.resize(3);
  card.Script.push_back({Hex("6D00")});
  card.Script.push_back({Hex("9000")});  // SELECT of the application
  card.Script.push_back({Hex("6982")});  // plain SELECT of EF.COM: BAC first
  card.Script.push_back({Hex("6300")});  // GET CHALLENGE refused: BAC fails, as logged
  card.Script.push_back({Hex("6988")});
  TFixedRandomSource bacRandom(Concat({icao::kRndIfd, icao::kKIfd}));
  TCardSession session(ctx);
  OpenDocument(g1.Text("mrz_information"), efCom, session);
  ASSERT_GE(card.Commands.size(), 7u);
  EXPECT_EQ(ToHex(card.Commands[4]), "00A4040C07A0000002471001");
  EXPECT_EQ(ToHex(card.Commands[6]), "0084000008");
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{offered, "PACE: not used (MSE:Set AT not supported: 6D00)",
                                                    "MrtdIccGetChallenge : Wrong status word 6300",
                                                    "MrtdBacSelectDG : Bad status word 6988"}));
}

}  // namespace
