#include "tools/simchip/SimulatedChip.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include <openssl/crypto.h>

#include "tools/simchip/ActiveAuthentication.h"
#include "tools/simchip/Atr.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/MutualAuthentication.h"
#include "tools/simchip/Tlv.h"

namespace simchip {

namespace {

constexpr std::array<std::uint8_t, 7> kEmrtdApplicationId{0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01};
constexpr std::uint8_t kSelectByName = 0x04;
constexpr std::uint8_t kSelectFileUnderDf = 0x02;
constexpr std::uint8_t kSelectFileById = 0x00;
constexpr std::uint8_t kShortIdFlag = 0x80;
constexpr std::uint8_t kClaPlain = 0x00;
constexpr std::uint8_t kClaSecureMessaging = 0x0C;
constexpr std::size_t kChallengeLength = 8;
constexpr std::uint8_t kInsMse = 0x22;
constexpr std::uint8_t kInsGeneralAuthenticate = 0x86;
constexpr std::uint8_t kInsInternalAuthenticate = 0x88;
// MSE P1 P2 of Chip Authentication: Set AT for internal authentication, Set KAT.
constexpr std::uint16_t kMseSetAt = 0x41A4;
constexpr std::uint16_t kMseSetKat = 0x41A6;
enum : std::uint8_t {
  kDoOid = 0x80,
  kDoKeyId = 0x84,
  kDoEphemeralKey = 0x91,
  kDoDynamicData = 0x7C,
  kDoTerminalKey = 0x80,
};

// What a terminal may send under secure messaging; the rest is answered 6D00.
constexpr std::array<std::uint8_t, 5> kProtectedInstructions{kInsSelect, kInsReadBinary, kInsMse,
                                                             kInsGeneralAuthenticate, kInsInternalAuthenticate};

// The value of the first object with this tag among those laid end to end.
std::optional<std::span<const std::uint8_t>> FindObject(std::span<const std::uint8_t> objects, std::uint16_t tag) {
  for (std::size_t p = 0; p < objects.size();) {
    const auto object = ReadTlv(objects.subspan(p));
    if (!object) return std::nullopt;
    if (object->Tag == tag) return object->Value;
    p += object->Size;
  }
  return std::nullopt;
}

bool CarriesData(std::uint16_t status) { return status == kSwSuccess || (status >> 8) == 0x62; }

TChipReply ReplyOfReplacingFault(const TFault& fault) {
  switch (fault.Kind) {
    case EFaultKind::StatusWord:
      return {StatusOnly(fault.Status)};
    case EFaultKind::Answer:
      return {fault.Bytes};
    case EFaultKind::TransmitError:
      return {{}, fault.PcscError};
    case EFaultKind::CardRemoved:
      return {{}, 0, true};
    default:
      return {};
  }
}

}  // namespace

TSimulatedChip::TSimulatedChip(TLds lds, std::string mrzInformation, TChipOptions options)
    : lds_(std::move(lds)),
      mrzInformation_(std::move(mrzInformation)),
      options_(options),
      documentKeys_(DeriveKeys(KeySeedFromMrz(mrzInformation_))),
      random_(options.RandomSeed),
      atr_(ContactlessAtr()) {}

TSimulatedChip::TSimulatedChip(const TDocument& document, TChipOptions options)
    : TSimulatedChip(document.Lds, document.MrzInformation, options) {
  privateKeys_ = TChipKeys(document.PrivateKeys);
}

std::optional<TBlock> TSimulatedChip::SessionCounter() const {
  if (!session_ || session_->Keys().Cipher != ESmCipher::TripleDes) return std::nullopt;
  return session_->Counter();
}

std::optional<TKeyPair> TSimulatedChip::SessionKeys() const {
  if (!session_ || session_->Keys().Cipher != ESmCipher::TripleDes) return std::nullopt;
  TKeyPair keys;
  std::copy(session_->Keys().Enc.begin(), session_->Keys().Enc.end(), keys.Enc.begin());
  std::copy(session_->Keys().Mac.begin(), session_->Keys().Mac.end(), keys.Mac.begin());
  return keys;
}

std::optional<TSmKeys> TSimulatedChip::SessionSmKeys() const {
  if (!session_) return std::nullopt;
  return session_->Keys();
}

EVP_PKEY* TSimulatedChip::PrivateKey(std::string_view name) {
  const bool clone = name == kChipAuthenticationKey
                         ? options_.CloneChipAuthentication
                         : name == kActiveAuthenticationKey && options_.CloneActiveAuthentication;
  return privateKeys_.Key(name, clone);
}

std::optional<TBytes> TSimulatedChip::SignActiveAuthentication(std::span<const std::uint8_t> challenge) {
  EVP_PKEY* key = PrivateKey(kActiveAuthenticationKey);
  if (!key) return std::nullopt;
  const EVP_MD* rsaDigest = EVP_get_digestbyname(options_.ActiveAuthenticationRsaDigest.c_str());
  if (!rsaDigest) throw std::runtime_error("unknown digest " + options_.ActiveAuthenticationRsaDigest);
  const EVP_MD* ecdsaDigest = ActiveAuthenticationDigest(lds_);
  return SignChallenge(*key, challenge, *rsaDigest, ecdsaDigest ? *ecdsaDigest : *EVP_sha256(),
                       [this](std::span<std::uint8_t> bytes) { random_.Fill(bytes); });
}

void TSimulatedChip::SelectApplication() {
  EndSession();
  applicationSelected_ = true;
}

void TSimulatedChip::StartSession(const TKeyPair& sessionKeys, const TBlock& counter) {
  SelectApplication();
  session_.emplace(sessionKeys, counter);
}

bool TSimulatedChip::Touched(std::uint16_t fileId) const {
  return std::any_of(journal_.begin(), journal_.end(), [&](const TJournalEntry& e) { return e.FileId == fileId; });
}

void TSimulatedChip::Disconnect() {
  if (extension_) extension_->SessionEnded();
  EndSession();
}

void TSimulatedChip::EndSession() {
  session_.reset();
  caProtocol_ = nullptr;
  nextSessionKeys_.reset();
  challenge_.reset();
  applicationSelected_ = false;
  currentFile_.reset();
}

TChipReply TSimulatedChip::Transmit(std::span<const std::uint8_t> command) {
  TJournalEntry entry;
  entry.Command.assign(command.begin(), command.end());
  const std::uint8_t ins = command.size() >= 2 ? command[1] : 0;
  const auto firing = faults_.Fire(ins);
  const auto replacing =
      std::find_if(firing.begin(), firing.end(), [](const TFault& f) { return f.ReplacesCommand(); });

  TChipReply reply;
  if (replacing != firing.end()) {
    reply = ReplyOfReplacingFault(*replacing);
    if (reply.CardRemoved) Disconnect();
  } else {
    reply.Answer = Answer(command, entry);
    for (const auto& fault : firing) Spoil(fault, reply.Answer);
  }
  entry.Reply = reply;
  journal_.push_back(std::move(entry));
  return reply;
}

TBytes TSimulatedChip::AnswerGranted(const TCommandApdu& command) {
  TJournalEntry entry;
  entry.Protected = true;
  entry.Plain = command;
  const TOutcome outcome = Execute(command, true, entry);
  nextSessionKeys_.reset();  // the extension runs its own secure messaging
  return Response(outcome.Data, outcome.Status);
}

const TBytes& TSimulatedChip::Atr() const {
  // Replaced only when the options changed it, so that references taken before stay good.
  if (TBytes now = ContactlessAtr(options_.ExtendedLength); now != atr_) atr_ = std::move(now);
  return atr_;
}

TBytes TSimulatedChip::Answer(std::span<const std::uint8_t> bytes, TJournalEntry& entry) {
  // A chip of short APDUs only takes no extended length fields, whoever would answer.
  if (const auto parsed = ParseCommand(bytes); parsed && parsed->ExtendedLength && !options_.ExtendedLength)
    return StatusOnly(kSwWrongLength);
  if (extension_) {
    if (std::optional<TBytes> answer = extension_->Answer(bytes, *this)) return *answer;
  }
  const auto command = ParseCommand(bytes);
  if (!command) return StatusOnly(kSwWrongLength);
  if (command->Cla == kClaSecureMessaging) {
    entry.Protected = true;
    return AnswerProtected(*command, entry);
  }
  if (command->Cla != kClaPlain) return StatusOnly(kSwClaNotSupported);
  // A plain command ends secure messaging; it is then taken as before BAC.
  session_.reset();
  caProtocol_ = nullptr;
  entry.Plain = *command;
  const TOutcome outcome = Execute(*command, false, entry);
  return Response(outcome.Data, outcome.Status);
}

TBytes TSimulatedChip::AnswerProtected(const TCommandApdu& command, TJournalEntry& entry) {
  if (!session_) return StatusOnly(kSwSmObjectsIncorrect);
  auto plain = session_->Unwrap(command);
  if (!plain) {
    session_.reset();
    return StatusOnly(kSwSmObjectsIncorrect);
  }
  entry.Plain = *plain;
  if (std::find(kProtectedInstructions.begin(), kProtectedInstructions.end(), plain->Ins) ==
      kProtectedInstructions.end())
    return StatusOnly(kSwInsNotSupported);
  const TOutcome outcome = Execute(*plain, true, entry);
  TBytes answer;
  if (CarriesData(outcome.Status)) {
    const bool emptyRead = plain->Ins == kInsReadBinary && options_.EmptyReadAtEnd;
    answer = session_->Wrap(outcome.Data, outcome.Status, {.EmptyDataObject = emptyRead});
  } else {
    answer = options_.ProtectedErrors ? session_->Wrap({}, outcome.Status) : StatusOnly(outcome.Status);
  }
  // A protected answer beyond a short response's 256 data bytes goes only in answer to an extended command.
  if (!command.Extended() && answer.size() > kShortMaxAnswerData + 2) answer = StatusOnly(kSwWrongLength);
  // Chip Authentication answers under the old keys; the new ones serve from the next command on.
  if (nextSessionKeys_) {
    session_.emplace(std::move(*nextSessionKeys_));
    nextSessionKeys_.reset();
  }
  return answer;
}

TSimulatedChip::TOutcome TSimulatedChip::Execute(const TCommandApdu& command, bool secured, TJournalEntry& entry) {
  using THandler = TOutcome (TSimulatedChip::*)(const TCommandApdu&, bool, TJournalEntry&);
  struct TRoute {
    std::uint8_t Ins;
    THandler Handler;
  };
  static constexpr std::array<TRoute, 7> kRoutes{{
      {kInsSelect, &TSimulatedChip::Select},
      {kInsReadBinary, &TSimulatedChip::ReadBinary},
      {kInsGetChallenge, &TSimulatedChip::GetChallenge},
      {kInsExternalAuthenticate, &TSimulatedChip::ExternalAuthenticate},
      {kInsMse, &TSimulatedChip::ManageSecurityEnvironment},
      {kInsGeneralAuthenticate, &TSimulatedChip::GeneralAuthenticate},
      {kInsInternalAuthenticate, &TSimulatedChip::InternalAuthenticate},
  }};
  const auto route =
      std::find_if(kRoutes.begin(), kRoutes.end(), [&](const TRoute& r) { return r.Ins == command.Ins; });
  if (route == kRoutes.end()) return {{}, kSwInsNotSupported};
  return (this->*route->Handler)(command, secured, entry);
}

TSimulatedChip::TOutcome TSimulatedChip::Select(const TCommandApdu& command, bool secured, TJournalEntry& entry) {
  if (command.P1 == kSelectByName) {
    if (!std::equal(command.Data.begin(), command.Data.end(), kEmrtdApplicationId.begin(), kEmrtdApplicationId.end()))
      return {{}, kSwFileNotFound};
    SelectApplication();
    return {};
  }
  if (command.P1 != kSelectFileUnderDf && command.P1 != kSelectFileById) return {{}, kSwIncorrectP1P2};
  if (command.Data.size() != 2) return {{}, kSwWrongLength};
  const auto fileId = static_cast<std::uint16_t>(command.Data[0] << 8 | command.Data[1]);
  entry.FileId = fileId;
  if (!secured && options_.RequireBac && options_.RefusePlainSelect) return {{}, kSwSecurityNotSatisfied};
  if (!applicationSelected_ || !lds_.contains(fileId)) return {{}, kSwFileNotFound};
  currentFile_ = fileId;
  return {};
}

TSimulatedChip::TOutcome TSimulatedChip::ReadBinary(const TCommandApdu& command, bool secured, TJournalEntry& entry) {
  if (!secured && options_.RequireBac) return {{}, kSwSecurityNotSatisfied};
  std::size_t offset = 0;
  if (command.P1 & kShortIdFlag) {
    const auto fileId = FileIdOfShortId(command.P1 & 0x1F);
    if (!applicationSelected_ || !fileId || !lds_.contains(*fileId)) return {{}, kSwFileNotFound};
    currentFile_ = fileId;
    offset = command.P2;
  } else {
    offset = static_cast<std::size_t>(command.P1) << 8 | command.P2;
  }
  if (!currentFile_) return {{}, kSwNoCurrentFile};
  entry.FileId = currentFile_;
  const auto file = lds_.find(*currentFile_);
  if (file == lds_.end()) return {{}, kSwFileNotFound};
  const TBytes& content = file->second;
  if (offset >= content.size()) {
    if (!options_.EmptyReadAtEnd) return {{}, kSwWrongParameters};
    return {{}, options_.EndOfFileWarning ? kSwEndOfFileWarning : kSwSuccess};
  }

  const std::size_t requested = command.Le.value_or(256);
  const std::size_t allowed = secured ? std::min(requested, kMaxProtectedReadLength) : requested;
  const std::size_t count = std::min(allowed, content.size() - offset);
  const bool cutByEnd = offset + requested > content.size();
  const auto begin = content.begin() + static_cast<std::ptrdiff_t>(offset);
  return {TBytes(begin, begin + static_cast<std::ptrdiff_t>(count)),
          cutByEnd && options_.EndOfFileWarning ? kSwEndOfFileWarning : kSwSuccess};
}

TSimulatedChip::TOutcome TSimulatedChip::GetChallenge(const TCommandApdu& command, bool, TJournalEntry&) {
  if (!command.Data.empty() || command.Le != kChallengeLength) return {{}, kSwWrongLength};
  const TBlock challenge = random_.NextChallenge();
  challenge_ = challenge;
  return {TBytes(challenge.begin(), challenge.end()), kSwSuccess};
}

TSimulatedChip::TOutcome TSimulatedChip::ExternalAuthenticate(const TCommandApdu& command, bool, TJournalEntry&) {
  if (command.Data.size() != kAuthenticationDataSize) return {{}, kSwWrongLength};
  if (!challenge_) return {{}, kSwConditionsNotSatisfied};
  const TBlock challenge = *challenge_;
  challenge_.reset();  // a challenge serves one attempt
  const auto result = AuthenticateTerminal(documentKeys_, challenge, command.Data, random_.NextKeyMaterial());
  if (!result) return {{}, options_.AuthenticationFailure};
  session_.emplace(result->SessionKeys, result->InitialCounter);
  return {result->Answer, kSwSuccess};
}

TSimulatedChip::TOutcome TSimulatedChip::ManageSecurityEnvironment(const TCommandApdu& command, bool secured,
                                                                   TJournalEntry&) {
  const auto p1p2 = static_cast<std::uint16_t>(command.P1 << 8 | command.P2);
  if (p1p2 != kMseSetAt && p1p2 != kMseSetKat) return {{}, kSwIncorrectP1P2};
  if (!secured) return {{}, kSwSecurityNotSatisfied};
  EVP_PKEY* key = PrivateKey(kChipAuthenticationKey);
  if (!key) return {{}, kSwReferencedDataNotFound};
  caProtocol_ = nullptr;
  // One key pair only: any key reference (DO'84') names it.
  if (p1p2 == kMseSetKat) {
    const auto terminalKey = FindObject(command.Data, kDoEphemeralKey);
    if (!terminalKey) return {{}, kSwWrongData};
    return AgreeChipAuthenticationKey(KatProtocol(*key), *terminalKey, {});
  }
  const auto oid = FindObject(command.Data, kDoOid);
  const TCaProtocol* protocol = oid ? FindCaProtocol(*oid) : nullptr;
  if (!protocol || !KeyFitsProtocol(*key, *protocol)) return {{}, kSwWrongData};
  caProtocol_ = protocol;
  return {};
}

TSimulatedChip::TOutcome TSimulatedChip::GeneralAuthenticate(const TCommandApdu& command, bool secured,
                                                             TJournalEntry&) {
  if (!secured) return {{}, kSwSecurityNotSatisfied};
  const TCaProtocol* protocol = caProtocol_;
  caProtocol_ = nullptr;  // one attempt per MSE:Set AT
  if (!protocol) return {{}, kSwConditionsNotSatisfied};
  const auto dynamic = FindObject(command.Data, kDoDynamicData);
  const auto terminalKey = dynamic ? FindObject(*dynamic, kDoTerminalKey) : std::nullopt;
  if (!terminalKey) return {{}, kSwWrongData};
  return AgreeChipAuthenticationKey(*protocol, *terminalKey, {kDoDynamicData, 0x00});
}

TSimulatedChip::TOutcome TSimulatedChip::AgreeChipAuthenticationKey(const TCaProtocol& protocol,
                                                                    std::span<const std::uint8_t> terminalKey,
                                                                    TBytes answer) {
  EVP_PKEY* key = PrivateKey(kChipAuthenticationKey);
  if (!key) return {{}, kSwReferencedDataNotFound};
  std::optional<TBytes> secret = CaSharedSecret(*key, terminalKey);
  if (!secret) return {{}, kSwWrongData};
  nextSessionKeys_ = DeriveCaSessionKeys(*secret, protocol);
  OPENSSL_cleanse(secret->data(), secret->size());
  return {std::move(answer), kSwSuccess};
}

TSimulatedChip::TOutcome TSimulatedChip::InternalAuthenticate(const TCommandApdu& command, bool secured,
                                                              TJournalEntry&) {
  if (!secured && options_.RequireBac) return {{}, kSwSecurityNotSatisfied};
  if (command.P1 != 0 || command.P2 != 0) return {{}, kSwIncorrectP1P2};
  if (command.Data.size() != kChallengeLength) return {{}, kSwWrongLength};
  std::optional<TBytes> signature = SignActiveAuthentication(command.Data);
  if (!signature) return {{}, kSwReferencedDataNotFound};
  return {std::move(*signature), kSwSuccess};
}

}  // namespace simchip
