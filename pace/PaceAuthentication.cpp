#include "pace/PaceAuthentication.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "card/DataObjects.h"
#include "card/messaging/SecureMessagingStart.h"
#include "crypto/ByteOperations.h"
#include "crypto/ObjectIdentifier.h"
#include "crypto/PaceGroup.h"
#include "crypto/PaceKdf.h"
#include "crypto/RandomSource.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"
#include "pace/IntegratedMapping.h"
#include "pace/PaceCipherSuite.h"
#include "pace/PaceCommands.h"

namespace {

// Status words with which a chip says it does not do MSE:Set AT for PACE at
// all: BAC may then be tried.
constexpr std::array<std::uint16_t, 4> kUnsupportedStatus{kSwInsNotSupported, kSwClaNotSupported, 0x6A81,
                                                          kSwIncorrectP1P2};

TPaceResult Failed(const std::string& reason) {
  LogMessage("PACE: failed (" + reason + ")");
  return {TPaceOutcome::Failed};
}

// The chip refused the password at a GENERAL AUTHENTICATE step: the MRZ's
// failure names the step and status; a CAN's says that the CAN was wrong.
TPaceResult WrongPassword(const TPacePassword& password, const std::string& reason) {
  TPaceResult result = Failed(password.Reference == TPasswordReference::Can ? "wrong CAN" : reason);
  result.WrongPassword = true;
  return result;
}

std::string StatusText(std::uint16_t status) { return FormatMessage("%04X", {}, status); }

// One GENERAL AUTHENTICATE step: the value of `answerTag` in the chip's answer
// (or, with no answer tag, nothing but an empty value), the answer's data, or
// the reason it could not be had.
struct TStepAnswer {
  std::optional<std::vector<std::uint8_t>> Value;
  std::string Failure;
  bool PasswordRefused = false;
  std::vector<std::uint8_t> Data = {};
};

// Integrated Mapping's chip answers the terminal's nonce with an empty DO'82':
// taken in any empty form (no data, an empty 7C, 7C with an empty 82).
bool EmptyMappingAnswer(std::span<const std::uint8_t> data) {
  if (data.empty()) return true;
  const std::optional<TDataObject> outer = ReadDataObject(data);
  if (!outer || outer->Tag != kDynamicAuthenticationData || outer->Length != data.size()) return false;
  const auto mapping = FindDataObject(outer->Value, 0x82);
  return mapping ? mapping->empty() : outer->Value.empty();
}

TStepAnswer Step(TCardSession& session, const TCommandApdu& command, std::optional<std::uint16_t> answerTag,
                 const char* stepName) {
  const TCardAnswer taken = session.TransmitPlain(command);
  if (!taken.Taken()) return {std::nullopt, std::string("connection error at ") + stepName};
  const TResponseApdu& answer = taken.Response;
  if (answer.Status == kSwAuthenticationFailed || (answer.Status & 0xFFF0) == 0x63C0)
    return {std::nullopt,
            "the chip refused the password at " + std::string(stepName) + ": " + StatusText(answer.Status), true};
  if (answer.Status != kSwSuccess)
    return {std::nullopt, std::string(stepName) + " answered " + StatusText(answer.Status)};
  std::optional<std::vector<std::uint8_t>> value =
      answerTag ? AuthenticationDataObject(answer.Data, *answerTag)
                : (EmptyMappingAnswer(answer.Data) ? std::optional(std::vector<std::uint8_t>{}) : std::nullopt);
  if (!value) return {std::nullopt, std::string(stepName) + " answer malformed"};
  return {std::move(value), {}, false, answer.Data};
}

TPaceResult StepFailed(const TPacePassword& password, const TStepAnswer& answer) {
  return answer.PasswordRefused ? WrongPassword(password, answer.Failure) : Failed(answer.Failure);
}

// Logs why PACE is not run; BAC may follow.
TPaceResult NotRun(const std::string& how, const std::string& reason) {
  LogMessage("PACE: " + how + " (" + reason + ")");
  return {TPaceOutcome::NotRun};
}

}  // namespace

TPaceInfoUse UseOf(const TPaceInfo& info, const TLengthLimits& lengths) {
  const std::optional<TPaceProtocol> protocol = FindPaceProtocol(info.Oid);
  if (!protocol) return {TPaceInfoUse::NotUsable, "protocol " + DottedOid(info.Oid) + " not supported"};
  if (!info.ParameterId) return {TPaceInfoUse::NotUsable, "no standardized domain parameters"};
  const std::string id = "parameter id " + std::to_string(*info.ParameterId);
  const std::optional<TPaceDomain> domain = *info.ParameterId < 0 || *info.ParameterId > 0xFF
                                                ? std::nullopt
                                                : FindPaceDomain(static_cast<std::uint32_t>(*info.ParameterId));
  if (!domain) return {TPaceInfoUse::NotUsable, id + " unknown"};
  if (domain->Agreement != protocol->Agreement ||
      (protocol->Mapping == TPaceMapping::Integrated && !domain->MapsIntegrated))
    return {TPaceInfoUse::NotUsable, id + " does not suit " + std::string(protocol->Name)};
  if (!domain->FitsShortApdus && !lengths.Extended())
    return {TPaceInfoUse::BeyondTheReader,
            std::string(domain->Name) + " keys need extended-length APDUs; " + lengths.ShortOnly()};
  return {TPaceInfoUse::Usable, {}};
}

const TPaceInfo* ChoosePaceInfo(std::span<const TPaceInfo> infos, const TLengthLimits& lengths) {
  // Chip Authentication Mapping proves the chip as well; Generic Mapping is
  // the one every chip has; Integrated Mapping is taken when it is all there is.
  constexpr std::array kPreference{TPaceMapping::ChipAuthentication, TPaceMapping::Generic, TPaceMapping::Integrated};
  for (const TPaceMapping mapping : kPreference) {
    const auto usable = std::ranges::find_if(infos, [mapping, &lengths](const TPaceInfo& info) {
      return UseOf(info, lengths).Use == TPaceInfoUse::Usable && FindPaceProtocol(info.Oid)->Mapping == mapping;
    });
    if (usable != infos.end()) return &*usable;
  }
  return nullptr;
}

TPaceResult PerformPace(const TPacePassword& password, std::span<const TPaceInfo> infos, TCardSession& session) {
  session.TripleDesRecord().BacEnabled = false;
  const TPaceInfo* info = ChoosePaceInfo(infos, session.Lengths());
  if (!info) {
    // Parameters the chip could run but the reader link cannot carry: not
    // possible; otherwise nothing the program runs: not used.
    std::string notUsed;
    for (const TPaceInfo& offered : infos) {
      const TPaceInfoUse use = UseOf(offered, session.Lengths());
      if (use.Use == TPaceInfoUse::BeyondTheReader) return NotRun("not possible", use.Reason);
      if (notUsed.find(use.Reason) == std::string::npos) notUsed += (notUsed.empty() ? "" : "; ") + use.Reason;
    }
    return NotRun("not used", notUsed);
  }
  const TPaceProtocol protocol = *FindPaceProtocol(info->Oid);
  const TPaceDomain domain = *FindPaceDomain(static_cast<std::uint32_t>(*info->ParameterId));
  const std::string described = std::string(protocol.Name) + ", " + std::string(domain.Name) +
                                (password.Reference == TPasswordReference::Can ? ", CAN" : "");

  // The parameter id always goes in tag 84: chips with one PACEInfo accept
  // it, chips with several need it, and some want it in any case.
  const TCardAnswer mse = session.TransmitPlain(
      BuildMseSetAt(info->Oid, password.Reference, static_cast<std::uint8_t>(*info->ParameterId)));
  if (!mse.Taken()) return Failed("connection error at MSE:Set AT");
  const std::uint16_t mseStatus = mse.Status();
  if (std::ranges::find(kUnsupportedStatus, mseStatus) != kUnsupportedStatus.end())
    return NotRun("not used", "MSE:Set AT not supported: " + StatusText(mseStatus));
  if (mseStatus == kSwReferenceNotFound) return {TPaceOutcome::PasswordNotTaken};
  if (mseStatus != kSwSuccess) return Failed("MSE:Set AT answered " + StatusText(mseStatus));

  // Step 1: the nonce, enciphered under K_π.
  const TStepAnswer encryptedNonce = Step(session, BuildGeneralAuthenticateStart(), 0x80, "the encrypted nonce");
  if (!encryptedNonce.Value) return StepFailed(password, encryptedNonce);
  const std::size_t block = CipherBlockLength(protocol.Cipher);
  if (encryptedNonce.Value->empty() || encryptedNonce.Value->size() % block != 0)
    return Failed("encrypted nonce of " + std::to_string(encryptedNonce.Value->size()) + " bytes");
  TSecretBuffer nonce;
  {
    const TSecretBuffer kPi = DeriveKey(protocol.Cipher, password.Seed.Bytes(), kKdfPassword);
    nonce = DecryptNonce(protocol.Cipher, kPi.Bytes(), *encryptedNonce.Value);
  }

  // Step 2: the mapping to a generator of the nonce's own.
  const std::unique_ptr<TPaceGroup> group = MakePaceGroup(domain);
  std::vector<std::uint8_t> chipMappingKey;
  if (protocol.Mapping == TPaceMapping::Integrated) {
    TSecretBuffer t(IntegratedMappingNonceLength(protocol.Cipher));
    RandomBytes(t.Bytes());
    const TStepAnswer mapped =
        Step(session, BuildGeneralAuthenticate(0x81, t.Bytes(), false), std::nullopt, "the mapping");
    if (!mapped.Value) return StepFailed(password, mapped);
    const std::optional<TSecretBuffer> random =
        IntegratedMappingRandom(protocol.Cipher, nonce.Bytes(), t.Bytes(), group->PrimeBits());
    if (!random) return Failed("nonce of " + std::to_string(nonce.size()) + " bytes");
    if (!group->MapPseudoRandom(random->Bytes())) return Failed("the nonces map to no generator");
  } else {
    const TPrivateKey mapKey = group->NewPrivateKey();
    const TStepAnswer chipMapKey =
        Step(session, BuildGeneralAuthenticate(0x81, group->PublicKey(*mapKey), false), 0x82, "the mapping");
    if (!chipMapKey.Value) return StepFailed(password, chipMapKey);
    const std::optional<TSecretBuffer> h = group->SharedElement(*mapKey, *chipMapKey.Value);
    if (!h || !group->MapGenerator(nonce.Bytes(), h->Bytes())) return Failed("the chip's mapping key is not valid");
    chipMappingKey = *chipMapKey.Value;
  }
  nonce.Wipe();

  // Step 3: the key agreement over the mapped generator.
  const TPrivateKey agreementKey = group->NewPrivateKey();
  const std::vector<std::uint8_t> terminalKey = group->PublicKey(*agreementKey);
  const TStepAnswer chipKeyAnswer =
      Step(session, BuildGeneralAuthenticate(0x83, terminalKey, false), 0x84, "the key agreement");
  if (!chipKeyAnswer.Value) return StepFailed(password, chipKeyAnswer);
  const std::vector<std::uint8_t>& chipKey = *chipKeyAnswer.Value;
  if (SameBytes(chipKey, terminalKey)) return Failed("the chip's key equals the terminal's");
  TSecretBuffer encKey;
  TSecretBuffer macKey;
  {
    const std::optional<TSecretBuffer> secret = group->SharedSecret(*agreementKey, chipKey);
    if (!secret) return Failed("the chip's agreement key is not valid");
    encKey = DeriveKey(protocol.Cipher, secret->Bytes(), kKdfEncryption);
    macKey = DeriveKey(protocol.Cipher, secret->Bytes(), kKdfMac);
  }

  // Step 4: the tokens, each over the other side's public key.
  const TAuthenticationToken terminalToken = AuthenticationToken(
      protocol.Cipher, macKey.Bytes(), PublicKeyDataObject(info->Oid, group->PublicKeyTag(), chipKey));
  const TStepAnswer chipToken =
      Step(session, BuildGeneralAuthenticate(0x85, terminalToken, true), 0x86, "the authentication tokens");
  if (!chipToken.Value) return StepFailed(password, chipToken);
  const TAuthenticationToken expected = AuthenticationToken(
      protocol.Cipher, macKey.Bytes(), PublicKeyDataObject(info->Oid, group->PublicKeyTag(), terminalKey));
  if (!SameBytes(expected, *chipToken.Value)) return Failed("the chip's authentication token does not verify");

  // Chip Authentication Mapping: the chip's proof of its static key, checked
  // once EF.CardSecurity gives the key.
  std::optional<TCamEvidence> cam;
  if (protocol.Mapping == TPaceMapping::ChipAuthentication) {
    const std::optional<std::vector<std::uint8_t>> aIc = AuthenticationDataObject(chipToken.Data, 0x8A);
    if (!aIc) return Failed("no chip authentication data in the last answer");
    std::optional<std::vector<std::uint8_t>> caIc =
        DecryptChipAuthenticationData(encKey.Bytes(), *aIc, group->OrderLength());
    if (!caIc) return Failed("the chip authentication data does not decipher");
    cam = TCamEvidence{static_cast<std::uint32_t>(*info->ParameterId), std::move(chipMappingKey), std::move(*caIc)};
  }

  LogMessage("PACE: established (" + described + ")");
  StartSecureMessaging(session, protocol.Cipher, std::move(encKey), std::move(macKey));
  TPaceResult established{TPaceOutcome::Established};
  established.Cam = std::move(cam);
  return established;
}
