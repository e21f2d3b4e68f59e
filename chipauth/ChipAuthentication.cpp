#include "chipauth/ChipAuthentication.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "card/CardExchange.h"
#include "card/DataObjects.h"
#include "card/messaging/PlainCommands.h"
#include "card/messaging/SecureMessagingStart.h"
#include "chipauth/ChipAuthCommands.h"
#include "crypto/ChipAuthProtocols.h"
#include "crypto/ChipAuthPublicKey.h"
#include "crypto/PaceKdf.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"

namespace {

constexpr std::uint16_t kEfDg14 = 0x010E;
constexpr std::uint16_t kDynamicAuthenticationData = 0x7C;
// The most command data that AES secure messaging still sends in a short
// APDU (3DES takes 231): 223 bytes pad to 224, DO'87' 81 E1 01 <224>, DO'97'
// and DO'8E' add 13 more.
constexpr std::size_t kMostShortCommandData = 223;

std::string StatusText(std::uint16_t status) { return FormatMessage("%04X", {}, status); }

TChipAuthResult Ended(TChipAuthOutcome outcome, std::string reason) {
  LogMessage("MrtdChipAuthenticate : " + reason);
  return {outcome, std::move(reason)};
}
TChipAuthResult Failed(std::string reason) { return Ended(TChipAuthOutcome::Failed, std::move(reason)); }

// How the chip took one protected command.
enum class TTaken { Accepted, Refused, NotIntact, Lost };

struct TStepAnswer {
  TTaken Taken = TTaken::Lost;
  std::uint16_t Status = kSwNoStatus;
  std::vector<std::uint8_t> Data;  // the deciphered data of an accepted answer
};

// Sends command through the session and has the answer checked under the
// keys in force: a 9000 answer must verify (and its data is deciphered), a
// refusal must be intact. An answer without data is DO'99' and DO'8E' alone.
TStepAnswer Exchange(TCardSession& session, const TCommandApdu& command) {
  std::array<std::uint8_t, kResponseCapacity> plaintext{};
  TCardAnswer answer = session.Transmit(command, {.Form = TAnswerForm::Either, .Plaintext = plaintext});
  if (answer.Error == TCardError::LinkLost) return {};
  TStepAnswer step{TTaken::NotIntact, answer.Status(), {}};
  if (!answer.Taken()) return step;
  step.Taken = step.Status == kSwSuccess ? TTaken::Accepted : TTaken::Refused;
  step.Data = std::move(answer.Response.Data);
  return step;
}

// The reason a step that was not accepted gives.
std::string StepFailure(const TStepAnswer& step, const std::string& name) {
  switch (step.Taken) {
    case TTaken::Lost:
      return "connection error at " + name;
    case TTaken::Refused:
      return name + " refused (" + StatusText(step.Status) + ")";
    case TTaken::NotIntact:
    case TTaken::Accepted:
      break;
  }
  return "the chip's answer to " + name + " does not verify";
}

// The answer to GENERAL AUTHENTICATE: empty dynamic authentication data.
bool IsEmptyAuthenticationData(std::span<const std::uint8_t> data) {
  if (data.empty()) return true;
  const std::optional<TDataObject> object = ReadDataObject(data);
  return object && object->Tag == kDynamicAuthenticationData && object->Length == data.size();
}

// Why the answer to the first command under the new keys proves nothing;
// empty when it proves the keys.
std::string ProofFailure(const TCardAnswer& proof) {
  if (proof.Error == TCardError::LinkLost) return "connection error at the first command under the new keys";
  if (proof.Status() != kSwSuccess)
    return "the chip refused the first command under the new keys (" + StatusText(proof.Status()) + ")";
  if (!proof.Taken()) return "the chip's answer does not verify under the new keys";
  return {};
}

struct TNewKeys {
  TSecretBuffer Enc;
  TSecretBuffer Mac;
};

}  // namespace

TChipAuthResult PerformChipAuthentication(const TChipAuthenticationKey& key, TCardSession& session) {
  const std::optional<TCaProtocol> protocol = FindCaProtocol(key.ProtocolOid);
  if (!protocol) return Ended(TChipAuthOutcome::NotRun, "protocol the program does not know");
  TChipPublicKeyDecoding decoded = DecodeChipPublicKey(key.PublicKeyInfo);
  if (!decoded.Key) return Ended(TChipAuthOutcome::NotRun, decoded.Failure);
  const TChipPublicKey& chipKey = *decoded.Key;
  if (chipKey.Agreement != protocol->Agreement)
    return Ended(TChipAuthOutcome::NotRun, "the chip's key does not suit " + std::string(protocol->Name));
  // The terminal's key is as long as the chip's. 2048-bit DH keys need
  // extended-length APDUs, which the reader link does not send.
  if (BuildCaGeneralAuthenticate(chipKey.Key).Data.size() > kMostShortCommandData ||
      BuildCaMseSetKat(chipKey.Key, key.KeyId).Data.size() > kMostShortCommandData)
    return Ended(TChipAuthOutcome::NotRun, "the chip's key needs extended-length APDUs");

  // The ephemeral key pair, the shared secret and the new keys, before the
  // chip sees anything: a chip key that is not a valid element stops here.
  std::vector<std::uint8_t> ephemeralKey;
  TNewKeys keys;
  {
    const TPrivateKey ephemeral = chipKey.Group->NewPrivateKey();
    ephemeralKey = chipKey.Group->PublicKey(*ephemeral);
    const std::optional<TSecretBuffer> secret = chipKey.Group->SharedSecret(*ephemeral, chipKey.Key);
    if (!secret) return Ended(TChipAuthOutcome::NotRun, "the chip's public key is not valid");
    keys.Enc = DeriveKey(protocol->Cipher, secret->Bytes(), kKdfEncryption);
    keys.Mac = DeriveKey(protocol->Cipher, secret->Bytes(), kKdfMac);
  }

  // Under the old keys: MSE:Set AT and GENERAL AUTHENTICATE, or MSE:Set KAT.
  bool keyAgreementTemplate = !key.Announced;
  if (key.Announced) {
    const TStepAnswer mse = Exchange(session, BuildCaMseSetAt(protocol->Oid, key.KeyId));
    if (mse.Taken == TTaken::Refused && protocol->Cipher == TPaceCipher::TripleDes) {
      // Older 3DES chips know only MSE:Set KAT.
      LogMessage("MrtdChipAuthenticate : MSE:Set AT refused (" + StatusText(mse.Status) + "), MSE:Set KAT follows");
      keyAgreementTemplate = true;
    } else if (mse.Taken != TTaken::Accepted) {
      return Failed(StepFailure(mse, "MSE:Set AT"));
    } else {
      const TStepAnswer ga = Exchange(session, BuildCaGeneralAuthenticate(ephemeralKey));
      if (ga.Taken != TTaken::Accepted) return Failed(StepFailure(ga, "GENERAL AUTHENTICATE"));
      if (!IsEmptyAuthenticationData(ga.Data)) return Failed("GENERAL AUTHENTICATE answer malformed");
    }
  }
  if (keyAgreementTemplate) {
    const TStepAnswer kat = Exchange(session, BuildCaMseSetKat(ephemeralKey, key.KeyId));
    if (kat.Taken != TTaken::Accepted) return Failed(StepFailure(kat, "MSE:Set KAT"));
  }

  // Under the new keys, counter from zero: the chip proves it derived them.
  // Until it has, the secure messaging before stays the session's.
  std::unique_ptr<TSecureChannel> previous =
      StartSecureMessaging(session, protocol->Cipher, std::move(keys.Enc), std::move(keys.Mac));
  const TCardAnswer proof = session.Transmit(BuildSelectFileId(kEfDg14), {.Form = TAnswerForm::StatusWhenAccepted});
  const std::string failure = ProofFailure(proof);
  if (!failure.empty()) {
    session.Install(std::move(previous));
    return Failed(failure);
  }

  if (protocol->Cipher != TPaceCipher::TripleDes) ForgetTripleDesKeys(session);
  return {TChipAuthOutcome::Passed, {}};
}
