#include "chipauth/ChipAuthentication.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "card/AesChannel.h"
#include "card/BacChannel.h"
#include "card/CardExchange.h"
#include "card/DataObjects.h"
#include "card/PlainCommands.h"
#include "card/SecureResponses.h"
#include "chipauth/ChipAuthCommands.h"
#include "chipauth/ChipAuthPublicKey.h"
#include "crypto/ChipAuthProtocols.h"
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
  return {outcome, std::move(reason), nullptr};
}
TChipAuthResult Failed(std::string reason) { return Ended(TChipAuthOutcome::Failed, std::move(reason)); }

// How the chip took one protected command.
enum class TTaken { Accepted, Refused, NotIntact, Lost };

struct TStepAnswer {
  TTaken Taken = TTaken::Lost;
  std::uint16_t Status = kSwNoStatus;
  std::vector<std::uint8_t> Data;  // the deciphered data of an accepted answer
};

// Sends command through channel and checks the answer under its keys: a 9000
// answer must verify (and its data is deciphered), a refusal must be intact.
TStepAnswer Exchange(TSecureChannel& channel, const TCommandApdu& command) {
  if (ExchangeApdu(channel.Protect(command)) != 0) return {};
  const std::span<const std::uint8_t> answer = ResponseBytes();
  TStepAnswer step{TTaken::NotIntact, GetStatusWord(answer), {}};
  if (step.Status != kSwSuccess) {
    if (channel.RefusalIntact(answer)) step.Taken = TTaken::Refused;
    return step;
  }
  // An answer without data is DO'99' and DO'8E' alone.
  if (IsProtectedStatusAnswer(answer)) {
    if (channel.SelectAnswerIntact(answer)) step.Taken = TTaken::Accepted;
    return step;
  }
  std::array<std::uint8_t, kResponseCapacity> plaintext{};
  std::size_t length = 0;
  if (channel.OpenDataAnswer(answer, plaintext, length) != TUnwrapResult::Ok) return step;
  step.Taken = TTaken::Accepted;
  step.Data.assign(plaintext.begin(), plaintext.begin() + static_cast<std::ptrdiff_t>(length));
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

struct TNewKeys {
  TSecretBuffer Enc;
  TSecretBuffer Mac;
};

std::unique_ptr<TSecureChannel> RestartSecureMessaging(TPaceCipher cipher, TNewKeys keys, tMRTD_CTX& ctx) {
  if (cipher != TPaceCipher::TripleDes) return std::make_unique<TAesChannel>(std::move(keys.Enc), std::move(keys.Mac));
  std::copy_n(keys.Enc.data(), ctx.encK.size(), ctx.encK.begin());
  std::copy_n(keys.Mac.data(), ctx.macK.size(), ctx.macK.begin());
  ctx.SSC = {};
  ctx.CounterFromZero = true;
  ctx.BacEnabled = true;
  return std::make_unique<TBacChannel>(ctx);
}

// The session record's keys are no longer in use once AES runs.
void ForgetTripleDesKeys(tMRTD_CTX& ctx) {
  WipeBytes(ctx.encK);
  WipeBytes(ctx.macK);
  ctx.SSC = {};
  ctx.BacEnabled = false;
}

}  // namespace

TChipAuthResult PerformChipAuthentication(const TChipAuthenticationKey& key, TSecureChannel& channel, tMRTD_CTX& ctx) {
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
    const TStepAnswer mse = Exchange(channel, BuildCaMseSetAt(protocol->Oid, key.KeyId));
    if (mse.Taken == TTaken::Refused && protocol->Cipher == TPaceCipher::TripleDes) {
      // Older 3DES chips know only MSE:Set KAT.
      LogMessage("MrtdChipAuthenticate : MSE:Set AT refused (" + StatusText(mse.Status) + "), MSE:Set KAT follows");
      keyAgreementTemplate = true;
    } else if (mse.Taken != TTaken::Accepted) {
      return Failed(StepFailure(mse, "MSE:Set AT"));
    } else {
      const TStepAnswer ga = Exchange(channel, BuildCaGeneralAuthenticate(ephemeralKey));
      if (ga.Taken != TTaken::Accepted) return Failed(StepFailure(ga, "GENERAL AUTHENTICATE"));
      if (!IsEmptyAuthenticationData(ga.Data)) return Failed("GENERAL AUTHENTICATE answer malformed");
    }
  }
  if (keyAgreementTemplate) {
    const TStepAnswer kat = Exchange(channel, BuildCaMseSetKat(ephemeralKey, key.KeyId));
    if (kat.Taken != TTaken::Accepted) return Failed(StepFailure(kat, "MSE:Set KAT"));
  }

  // Under the new keys, counter from zero: the chip proves it derived them.
  std::unique_ptr<TSecureChannel> renewed = RestartSecureMessaging(protocol->Cipher, std::move(keys), ctx);
  if (ExchangeApdu(renewed->Protect(BuildSelectFileId(kEfDg14))) != 0)
    return Failed("connection error at the first command under the new keys");
  const std::span<const std::uint8_t> proof = ResponseBytes();
  const std::uint16_t status = GetStatusWord(proof);
  if (status != kSwSuccess)
    return Failed("the chip refused the first command under the new keys (" + StatusText(status) + ")");
  if (!renewed->SelectAnswerIntact(proof)) return Failed("the chip's answer does not verify under the new keys");

  if (protocol->Cipher != TPaceCipher::TripleDes) ForgetTripleDesKeys(ctx);
  return {TChipAuthOutcome::Passed, {}, std::move(renewed)};
}
