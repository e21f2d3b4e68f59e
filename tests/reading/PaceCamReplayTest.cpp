// The German passport's recorded PACE-CAM session (gmrtd/gmrtd, MIT licence;
// tests/support/data/pace-im-cam-vectors.txt, section gmrtd-de-pace-cam)
// through the opening and the PACE-CAM step: EF.CardAccess and the five PACE
// answers as recorded, then a chip that answers under the recorded session
// keys (AES and CMAC by OpenSSL here) and serves EF.CardSecurity from the
// master file. Its SELECT and first READ BINARY are the recorded commands
// byte for byte, its answers the recorded ones; the later pieces differ from
// the recording only in their lengths.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "reader/ApduExchange.h"
#include "reading/DocumentVerdict.h"
#include "reading/ReadSteps.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/OpenSslCmac.h"
#include "support/PaceVectors.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"
#include "trust/TrustStore.h"

namespace {

TVectorSection German() { return PaceVectors("pace-im-cam-vectors.txt", "gmrtd-de-pace-cam"); }

TBytes Aes(const TBytes& key, const TBytes& iv, const TBytes& data, bool encrypt) {
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  TBytes out(data.size() + 16);
  int length = 0;
  int last = 0;
  EVP_CipherInit_ex(context, EVP_aes_128_cbc(), nullptr, key.data(), iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(context, 0);
  EVP_CipherUpdate(context, out.data(), &length, data.data(), static_cast<int>(data.size()));
  EVP_CipherFinal_ex(context, out.data() + length, &last);
  EVP_CIPHER_CTX_free(context);
  out.resize(static_cast<std::size_t>(length + last));
  return out;
}

TBytes Padded(TBytes data) {
  data.push_back(0x80);
  while (data.size() % 16 != 0) data.push_back(0x00);
  return data;
}

TBytes Unpadded(TBytes data) {
  while (!data.empty() && data.back() == 0x00) data.pop_back();
  if (!data.empty()) data.pop_back();  // 0x80
  return data;
}

TBytes LengthOf(std::size_t length) {
  if (length < 0x80) return {static_cast<std::uint8_t>(length)};
  return {0x81, static_cast<std::uint8_t>(length)};
}

// The chip's side of AES secure messaging after PACE, with the recorded
// session keys and the counter from zero; it serves EF.CardSecurity (011D of
// the master file), takes the application's SELECT and has no EF.COM.
class TSecureMessagingChip {
public:
  TSecureMessagingChip(TBytes encKey, TBytes macKey, TBytes cardSecurity)
      : enc_(std::move(encKey)), mac_(std::move(macKey)), cardSecurity_(std::move(cardSecurity)) {}

  TAnswer Answer(const TBytes& command) {
    Step();  // the command's counter
    const std::uint8_t instruction = command[1];
    if (instruction == 0xA4) return Select(command);
    if (instruction == 0xB0 && selected_) return ReadBinary(command);
    return {Hex("6D00")};
  }

private:
  void Step() {
    for (auto byte = ssc_.rbegin(); byte != ssc_.rend(); ++byte)
      if (++*byte != 0) break;
  }
  TBytes Iv() const { return Aes(enc_, {}, ssc_, true); }

  TAnswer Select(const TBytes& command) {
    // 0C A4 P1 P2 Lc 87 L 01 <cryptogram> 8E 08 <mac> 00
    const std::size_t length = command[6];
    const TBytes cryptogram(command.begin() + 8, command.begin() + 7 + static_cast<std::ptrdiff_t>(length));
    const TBytes name = Unpadded(Aes(enc_, Iv(), cryptogram, false));
    if (command[2] == 0x04) return Protected({}, Hex("9000"));
    selected_ = name == Hex("011D");
    if (!selected_) {
      Step();
      return {Hex("6A82")};
    }
    return Protected({}, Hex("9000"));
  }

  TAnswer ReadBinary(const TBytes& command) {
    // 0C B0 P1 P2 0D 97 01 Le 8E 08 <mac> 00
    const std::size_t offset = static_cast<std::size_t>(command[2] << 8 | command[3]);
    // The passport gives at most 223 bytes in one answer (the recording's Le 00 reads).
    constexpr std::size_t kMostPerAnswer = 223;
    const std::size_t wanted = std::min<std::size_t>(command[7] == 0 ? 256 : command[7], kMostPerAnswer);
    const std::size_t end = std::min(cardSecurity_.size(), offset + wanted);
    return Protected(TBytes(cardSecurity_.begin() + static_cast<std::ptrdiff_t>(offset),
                            cardSecurity_.begin() + static_cast<std::ptrdiff_t>(end)),
                     Hex("9000"));
  }

  TAnswer Protected(const TBytes& data, const TBytes& status) {
    Step();  // the answer's counter
    TBytes objects;
    if (!data.empty()) {
      const TBytes cryptogram = Concat({{0x01}, Aes(enc_, Iv(), Padded(data), true)});
      objects = Concat({{0x87}, LengthOf(cryptogram.size()), cryptogram});
    }
    objects = Concat({objects, {0x99, 0x02}, status});
    const TBytes mac = OpenSslCmac8(mac_, Padded(Concat({ssc_, objects})));
    return {Concat({objects, {0x8E, 0x08}, mac, status})};
  }

  TBytes enc_, mac_, cardSecurity_;
  TBytes ssc_ = TBytes(16, 0);
  bool selected_ = false;
};

const TTrustStore& GermanList() {
  static TTempFolder folder;
  static const std::string name = "DE_ML_2026-05-28-08-28-45.ml";
  static const bool copied = std::filesystem::copy_file(
      std::filesystem::path(ZELVAN_TRUST_TEST_DATA) / "pa" / "trust" / name, folder.Path() / name);
  static const TTrustStore store({folder.Path()});
  EXPECT_TRUE(copied);
  return store;
}

// The chip above answers the recorded SELECT and first READ BINARY of
// EF.CardSecurity with the recorded answers, byte for byte.
TEST(PaceCamReplay, TheChipsAnswersAreTheRecordedOnes) {
  const TVectorSection v = German();
  TSecureMessagingChip chip(v.Bytes("ks_enc"), v.Bytes("ks_mac"),
                            testpki::ReadFile(std::filesystem::path(ZELVAN_TRUST_TEST_DATA) / "cardsecurity" /
                                              "DE-passport.cardsecurity.bin"));
  EXPECT_EQ(ToHex(chip.Answer(v.Bytes("cmd_select")).Bytes), v.Text("rsp_select"));
  EXPECT_EQ(ToHex(chip.Answer(v.Bytes("cmd_rb1")).Bytes), v.Text("rsp_rb1"));
  EXPECT_EQ(ToHex(chip.Answer(v.Bytes("cmd_rb2")).Bytes), v.Text("rsp_rb2"));
}

TEST(PaceCamReplay, GermanPassportOpensReadsEfCardSecurityAndPassesChipAuthentication) {
  ResetReaderLink();
  const TVectorSection v = German();
  const TBytes cardAccess = v.Bytes("card_access");
  const TBytes cardSecurity = testpki::ReadFile(std::filesystem::path(ZELVAN_TRUST_TEST_DATA) / "cardsecurity" /
                                                "DE-passport.cardsecurity.bin");

  TFakePiccView view;
  TFakeCardApi card;
  // EF.CardAccess in plain: SELECT, its first four bytes, the rest.
  card.Script = AnswersOf({Hex("9000"), Concat({TBytes(cardAccess.begin(), cardAccess.begin() + 4), Hex("9000")}),
                           Concat({TBytes(cardAccess.begin() + 4, cardAccess.end()), Hex("9000")})});
  for (const char* step : {"rsp_mse", "rsp_ga1", "rsp_ga2", "rsp_ga3", "rsp_ga4"})
    card.Script.push_back({v.Bytes(step)});
  TSecureMessagingChip chip(v.Bytes("ks_enc"), v.Bytes("ks_mac"), cardSecurity);
  card.Responder = [&chip](const TBytes& command) { return chip.Answer(command); };
  TFixedRandomSource random(Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}));

  tMRTD_CTX session{};
  TJpeg2000Bitmap bitmap;
  TShownFace shown;
  TReadInputs inputs;
  inputs.DocumentNumber = "C4KHNY1PF";
  inputs.DateOfBirth = {1978, 2, 14};
  inputs.DateOfExpiry = {2033, 3, 15};
  const TReadState kept{session, bitmap, shown, GermanList()};
  TReading reading(inputs, kept, view);

  ASSERT_EQ(OpenWithPaceOrBac(reading), TStepEnd::Next);
  ASSERT_GE(card.Commands.size(), 10u);
  EXPECT_EQ(ToHex(card.Commands[8]), v.Text("cmd_select"));
  EXPECT_EQ(ToHex(card.Commands[9]), v.Text("cmd_rb1"));
  const TDocument& document = reading.Document;
  EXPECT_EQ(document.Access, TAccessControl::Pace);
  EXPECT_EQ(document.CardSecurity.State, TFileState::Read);
  EXPECT_EQ(document.CardSecurity.Bytes, cardSecurity);
  EXPECT_TRUE(reading.ListFromSod) << "the chip answers EF.COM with 6A82";

  reading.Document.ReadAt = std::chrono::system_clock::from_time_t(1735689600);  // 2025-01-01
  EXPECT_EQ(CheckPaceCam(reading), TStepEnd::Next);
  EXPECT_EQ(document.ChipAuthentication.Outcome, TChipCheckOutcome::Passed) << document.ChipAuthentication.Reason;
  EXPECT_EQ(DecideDocumentVerdict(document).ChipLines[1].Text, "Chip authentication: PASSED (PACE-CAM)");
  EXPECT_EQ(DecideDocumentVerdict(document).ChipLines[0].Text, "EF.CardAccess: confirmed by the signed security infos");

  const std::vector<std::string> lines = view.Texts();
  EXPECT_NE(std::ranges::find(lines, "PACE: established (id-PACE-ECDH-CAM-AES-CBC-CMAC-128, brainpoolP256r1)"),
            lines.end());
  EXPECT_NE(std::ranges::find(lines, "EF.COM: absent; data groups from EF.SOD"), lines.end());
  const auto cardSecurityLine = std::ranges::find_if(lines, [](const std::string& line) {
    return line.starts_with("EF.CardSecurity: 1862 bytes, signature valid, ");
  });
  EXPECT_NE(cardSecurityLine, lines.end());
  ResetReaderLink();
}

}  // namespace
