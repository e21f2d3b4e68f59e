// Chip Authentication in a reading of the sample documents against the
// simulated chip of the tools folder (its own key agreement, KDF and secure
// messaging): BAC, DG14 read and parsed, CA on the key it names (the samples
// hold id-CA-ECDH-AES-CBC-CMAC-128 on brainpoolP256r1, id-CA-DH-3DES-CBC-CBC
// on the 1024-bit group and id-CA-ECDH-3DES-CBC-CBC on P-256), then DG1 read
// under the new keys. A clone (the chip answering with another key of the
// same kind) cannot read the first command under the keys the terminal
// derived.

#include <gtest/gtest.h>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "chipauth/ChipAuthentication.h"
#include "document/DG14.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/SimulatedChipCard.h"
#include "tools/simchip/DocumentFile.h"

namespace {

TBytes ReadAll(std::uint8_t number, TCardSession& channel) {
  TMemoryStream stream;
  EXPECT_EQ(ReadDataGroup(number, stream, channel), TDataGroupRead::Whole) << int(number);
  TBytes bytes(stream.Size());
  stream.Read(bytes);
  return bytes;
}

struct TSampleRun {
  const char* Sample;
  bool Clone;
  const char* CloneReason = "";
};

class SampleChipAuthentication : public ::testing::TestWithParam<TSampleRun> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(SampleChipAuthentication, RunsOnTheKeyOfDG14) {
  const simchip::TDocument document =
      simchip::LoadDocumentFile(std::string(ZELVAN_SAMPLES_DIR) + "/" + GetParam().Sample + ".zdoc");
  simchip::TChipOptions options;
  options.CloneChipAuthentication = GetParam().Clone;
  simchip::TSimulatedChip chip(document, options);
  TFakePiccView view;
  TFakeCardApi card;
  card.Responder = AnswerFrom(chip);

  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  OpenDocument(document.MrzInformation, efCom, session);
  const TSecureChannel* before = &session.Messaging();
  const std::optional<TDG14> dg14 = ParseDG14(ReadAll(14, session));
  ASSERT_TRUE(dg14);
  const std::optional<TChipAuthenticationKey> key = ChooseChipAuthentication(*dg14);
  ASSERT_TRUE(key);

  const TChipAuthResult result = PerformChipAuthentication(*key, session);
  if (GetParam().Clone) {
    EXPECT_EQ(result.Outcome, TChipAuthOutcome::Failed);
    EXPECT_EQ(result.Reason, GetParam().CloneReason);
    EXPECT_EQ(&session.Messaging(), before) << "the secure messaging before stays in force";
    return;
  }
  ASSERT_EQ(result.Outcome, TChipAuthOutcome::Passed) << result.Reason;
  EXPECT_NE(&session.Messaging(), before);
  EXPECT_EQ(ToHex(ReadAll(1, session)), ToHex(document.Lds.at(simchip::DataGroupFileId(1))));
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleChipAuthentication,
                         ::testing::Values(TSampleRun{"icao-passport", false}, TSampleRun{"icao-id-card", false},
                                           TSampleRun{"jpeg-face-passport", false},
                                           TSampleRun{"icao-passport", true,
                                                      "the chip refused the first command under the new keys (6988)"}),
                         [](const auto& info) {
                           std::string name = std::string(info.param.Sample) + (info.param.Clone ? "_clone" : "");
                           std::ranges::replace(name, '-', '_');
                           return name;
                         });

}  // namespace
