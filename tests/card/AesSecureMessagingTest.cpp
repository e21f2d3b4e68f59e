// AES secure messaging against a session recorded with a real passport
// (German, AES-128 after PACE): the protected SELECT of EF.CardSecurity (011D) and two READ
// BINARY commands with their answers, byte for byte both ways, then what the
// channel does with answers that do not hold. Protected answers of its own
// are made here with OpenSSL's CMAC directly.

#include <gtest/gtest.h>

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include "card/messaging/AesChannel.h"
#include "card/messaging/PlainCommands.h"
#include "support/FakePiccView.h"
#include "support/OpenSslCmac.h"
#include "support/PaceVectors.h"

namespace {

std::string Counter(int value) {
  TBytes counter(16, 0);
  counter[15] = static_cast<std::uint8_t>(value);
  return ToHex(counter);
}

class AesSecureMessaging : public ::testing::Test {
protected:
  TVectorSection v = PublishedVectors("gmrtd-de-aes-sm");
  TAesChannel channel{TSecretBuffer(v.Bytes("ks_enc")), TSecretBuffer(v.Bytes("ks_mac"))};
  TFakePiccView view;
  std::array<std::uint8_t, 256> plaintext{};
  std::size_t length = 0;

  // The first two exchanges of the recording: SELECT of EF.CardSecurity, READ BINARY of its first 4 bytes.
  void SelectAndReadHeader() {
    ASSERT_EQ(ToHex(channel.Protect(BuildSelectFile(0x1D)).Encode()), v.Text("cmd_sm1"));
    ASSERT_TRUE(channel.SelectAnswerIntact(v.Bytes("rsp_sm1")));
    ASSERT_EQ(ToHex(channel.Protect(*BuildReadBinary(0, 4)).Encode()), v.Text("cmd_sm2"));
    ASSERT_EQ(channel.OpenDataAnswer(v.Bytes("rsp_sm2"), plaintext, length), TUnwrapResult::Ok);
  }
};

TEST_F(AesSecureMessaging, RecordedSessionBothWays) {
  EXPECT_EQ(ToHex(channel.Protect(BuildSelectFile(0x1D)).Encode()), v.Text("cmd_sm1"));
  EXPECT_EQ(ToHex(channel.Session().SSC), Counter(1));
  EXPECT_TRUE(channel.SelectAnswerIntact(v.Bytes("rsp_sm1")));
  EXPECT_EQ(ToHex(channel.Session().SSC), Counter(2));

  EXPECT_EQ(ToHex(channel.Protect(*BuildReadBinary(0, 4)).Encode()), v.Text("cmd_sm2"));
  ASSERT_EQ(channel.OpenDataAnswer(v.Bytes("rsp_sm2"), plaintext, length), TUnwrapResult::Ok);
  EXPECT_EQ(ToHex(channel.Session().SSC), Counter(4));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(ToHex(std::span(plaintext).first(2)), "3082") << "EF.CardSecurity: a SEQUENCE with two length bytes";

  EXPECT_EQ(ToHex(channel.Protect(*BuildReadBinary(4, 256)).Encode()), v.Text("cmd_sm3"));
  ASSERT_EQ(channel.OpenDataAnswer(v.Bytes("rsp_sm3"), plaintext, length), TUnwrapResult::Ok);
  EXPECT_EQ(ToHex(channel.Session().SSC), Counter(6));
  // Its ContentInfo goes on with the OID of signed data.
  EXPECT_EQ(ToHex(std::span(plaintext).first(11)), "06092A864886F70D010702");
  EXPECT_LT(length, 224u) << "padding dropped";
  EXPECT_GE(length, 208u);
  EXPECT_TRUE(view.Lines.empty());
}

TEST_F(AesSecureMessaging, WrongMacIsRefusedAfterTheCounterStep) {
  TBytes answer = v.Bytes("rsp_sm2");
  answer[answer.size() - 3] ^= 0x01;  // last MAC byte
  channel.Protect(BuildSelectFile(0x1D));
  ASSERT_TRUE(channel.SelectAnswerIntact(v.Bytes("rsp_sm1")));
  channel.Protect(*BuildReadBinary(0, 4));
  EXPECT_EQ(channel.OpenDataAnswer(answer, plaintext, length), TUnwrapResult::WrongMac);
  EXPECT_EQ(ToHex(channel.Session().SSC), Counter(4));
  EXPECT_EQ(plaintext, (std::array<std::uint8_t, 256>{})) << "nothing deciphered";
}

TEST_F(AesSecureMessaging, TruncatedAnswersAreRejectedWithoutCounterStep) {
  SelectAndReadHeader();
  channel.Protect(*BuildReadBinary(4, 256));
  const TBytes full = v.Bytes("rsp_sm3");
  struct TCut {
    std::size_t Keep;
    TUnwrapResult Result;
    const char* Line;
  };
  for (const TCut cut :
       {TCut{full.size() - 4, TUnwrapResult::Rejected, "Hata #3 : "}, TCut{100, TUnwrapResult::Rejected, "Hata #3 : "},
        TCut{8, TUnwrapResult::TooShort, "Hata #1 : "}}) {
    view.Lines.clear();
    const TBytes answer(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut.Keep));
    EXPECT_EQ(channel.OpenDataAnswer(answer, plaintext, length), cut.Result) << cut.Keep;
    EXPECT_EQ(ToHex(channel.Session().SSC), Counter(5)) << cut.Keep;
    ASSERT_EQ(view.Lines.size(), 1u);
    EXPECT_EQ(view.Lines[0].Text, cut.Line + std::to_string(cut.Keep));
  }
  // The whole answer still opens: the counter did not move.
  EXPECT_EQ(channel.OpenDataAnswer(full, plaintext, length), TUnwrapResult::Ok);
}

TEST_F(AesSecureMessaging, ProtectedErrorAnswerIsCheckedByItsMac) {
  SelectAndReadHeader();
  channel.Protect(*BuildReadBinary(0x0800, 16));  // counter 5; the chip answers at 6
  const TBytes macInput = Concat({Hex(Counter(6)), Hex("99026B00 80000000000000000000 0000")});
  const TBytes refusal = Concat({Hex("99026B008E08"), OpenSslCmac8(v.Bytes("ks_mac"), macInput), Hex("6B00")});
  EXPECT_TRUE(channel.RefusalIntact(refusal));
  EXPECT_EQ(ToHex(channel.Session().SSC), Counter(6));

  channel.Protect(*BuildReadBinary(0x0800, 16));
  TBytes spoilt = refusal;
  spoilt[8] ^= 0x40;
  EXPECT_FALSE(channel.RefusalIntact(spoilt));
  EXPECT_TRUE(channel.RefusalIntact(Hex("6B00"))) << "a bare status word is taken as it is";
}

}  // namespace
