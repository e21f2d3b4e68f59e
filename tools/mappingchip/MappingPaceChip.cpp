#include "tools/mappingchip/MappingPaceChip.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "tools/mappingchip/MappingProtocols.h"
#include "tools/mappingchip/OpenSslHandles.h"
#include "tools/mappingchip/PaceCrypto.h"
#include "tools/mappingchip/PaceGroup.h"
#include "tools/simchip/Apdu.h"
#include "tools/simchip/SecureChannel.h"
#include "tools/simchip/Tlv.h"

namespace mappingchip {

namespace {

using simchip::MakeTlv;

constexpr std::uint8_t kInsMse = 0x22;
constexpr std::uint8_t kInsGeneralAuthenticate = 0x86;
constexpr std::uint8_t kSelectByName = 0x04;
constexpr std::uint16_t kCardAccessId = 0x011C;
constexpr std::uint16_t kCardSecurityId = 0x011D;
constexpr std::uint16_t kMasterFileId = 0x3F00;
constexpr std::uint8_t kPasswordMrz = 0x01;
constexpr std::uint8_t kPasswordCan = 0x02;
constexpr std::size_t kNonceLength = 16;
constexpr std::size_t kAesBlock = 16;

// The value of the first object with this tag among those laid end to end.
std::optional<TBytes> Find(std::span<const std::uint8_t> bytes, std::uint16_t tag) {
  while (!bytes.empty()) {
    const auto object = simchip::ReadTlv(bytes);
    if (!object) return std::nullopt;
    if (object->Tag == tag) return TBytes(object->Value.begin(), object->Value.end());
    bytes = bytes.subspan(object->Size);
  }
  return std::nullopt;
}

TBytes DynamicData(std::span<const std::uint8_t> objects) {
  return simchip::Response(MakeTlv(0x7C, objects), kSwSuccess);
}

TBn BnOf(std::span<const std::uint8_t> bytes) {
  TBn n(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
  if (!n) throw std::bad_alloc();
  return n;
}

TBytes BytesOfBn(const BIGNUM& n, std::size_t length) {
  TBytes out(length);
  if (BN_bn2binpad(&n, out.data(), static_cast<int>(length)) < 0) throw std::runtime_error("number too long");
  return out;
}

// A private key: the given one, or drawn from 1 to order - 1.
TBn PrivateKey(const TBytes& given, const BIGNUM& order) {
  if (!given.empty()) return BnOf(given);
  TBn key(BN_new());
  do {
    if (!key || BN_priv_rand_range(key.get(), &order) != 1) throw std::runtime_error("no random private key");
  } while (BN_is_zero(key.get()));
  return key;
}

std::uint16_t FileIdOf(const TCommandApdu& command) {
  return command.Data.size() == 2 ? static_cast<std::uint16_t>(command.Data[0] << 8 | command.Data[1]) : 0;
}

}  // namespace

struct TMappingPaceChip::TState {
  const TMappingProtocol* Protocol = nullptr;
  std::unique_ptr<TPaceGroup> Group;
  TBytes PasswordKey;
  TChipSecrets Secrets;
  TBytes Nonce;  // s
  int Step = 0;  // GENERAL AUTHENTICATE steps done
  TBn MappingKey;
  TBytes TerminalKey;
  TBytes ChipKey;
  std::optional<simchip::TSmKeys> Keys;
  std::optional<simchip::TSecureChannel> Channel;   // once established
  bool InMasterFile = true;                         // until the application is selected
  std::optional<std::uint16_t> MasterFileSelected;  // EF.CardAccess or EF.CardSecurity

  ~TState() {
    OPENSSL_cleanse(PasswordKey.data(), PasswordKey.size());
    OPENSSL_cleanse(Nonce.data(), Nonce.size());
  }
};

TBytes EcPrivateScalar(EVP_PKEY& key) {
  BIGNUM* scalar = nullptr;
  if (EVP_PKEY_get_bn_param(&key, OSSL_PKEY_PARAM_PRIV_KEY, &scalar) != 1)
    throw std::runtime_error("the Chip Authentication Mapping key is no EC private key");
  const TBn owned(scalar);
  return BytesOfBn(*owned, static_cast<std::size_t>(BN_num_bytes(owned.get())));
}

TMappingPaceChip::TMappingPaceChip(simchip::TSimulatedChip& chip, TMappingChipOptions options)
    : chip_(chip), options_(std::move(options)), state_(std::make_unique<TState>()) {
  TBytes infos;
  for (const pacechip::TPaceOffer& offer : options_.Pace.Offers) {
    const TMappingProtocol* protocol = FindMappingProtocol(offer.Protocol);
    if (!protocol) throw std::runtime_error("the chip's own PACE does not serve " + offer.Protocol);
    const auto group = MakePaceGroup(offer.ParameterId);
    if (!group || group->IsEllipticCurve() != protocol->EllipticCurve)
      throw std::runtime_error(offer.Protocol + " does not go with parameter id " + std::to_string(offer.ParameterId));
    if (protocol->Mapping == EMapping::ChipAuthentication && options_.CloneCam && cloneKey_.empty())
      cloneKey_ = BytesOfBn(*PrivateKey({}, group->Order()), static_cast<std::size_t>(BN_num_bytes(&group->Order())));
    TBytes info = MakeTlv(0x06, protocol->Oid);
    simchip::Append(info, MakeTlv(0x02, std::array<std::uint8_t, 1>{2}));
    simchip::Append(info, MakeTlv(0x02, std::array<std::uint8_t, 1>{static_cast<std::uint8_t>(offer.ParameterId)}));
    simchip::Append(infos, MakeTlv(0x30, info));
  }
  cardAccess_ = MakeTlv(0x31, infos);
  chip_.SetExtension(this);
}

TMappingPaceChip::~TMappingPaceChip() { chip_.SetExtension(nullptr); }

bool TMappingPaceChip::Established() const { return state_->Channel.has_value(); }

std::optional<simchip::TSmKeys> TMappingPaceChip::SessionKeys() const { return state_->Keys; }

std::optional<TBytes> TMappingPaceChip::MappedGenerator() const {
  if (!state_->Group || state_->Step < 2) return std::nullopt;
  return state_->Group->Generator();
}

void TMappingPaceChip::SessionEnded() { state_ = std::make_unique<TState>(); }

std::optional<TBytes> TMappingPaceChip::Answer(std::span<const std::uint8_t> bytes, simchip::TSimulatedChip& chip) {
  const std::optional<TCommandApdu> command = ParseCommand(bytes);
  if (!command || options_.Pace.Offers.empty()) return std::nullopt;
  if (state_->Channel) {
    if ((command->Cla & 0x0C) == 0x0C) return AnswerProtected(*command, chip);
    SessionEnded();  // a plain command ends secure messaging
  }
  if (const auto answer = AnswerMasterFile(*command, false)) return answer;
  if (command->Ins == kInsSelect) state_->MasterFileSelected.reset();
  if (command->Ins == kInsExternalAuthenticate && options_.Pace.RefuseBac)
    return simchip::StatusOnly(kSwConditionsNotSatisfied);
  if (command->Ins == kInsMse && command->P1 == 0xC1 && command->P2 == 0xA4)
    return SetAuthenticationTemplate(*command, chip);
  if (command->Ins == kInsGeneralAuthenticate) return GeneralAuthenticate(*command);
  return std::nullopt;
}

// EF.CardAccess (plain or protected) and EF.CardSecurity (protected only) of the master file.
std::optional<TBytes> TMappingPaceChip::AnswerMasterFile(const TCommandApdu& command, bool secured) {
  TState& s = *state_;
  if (!secured && command.Cla != 0x00) return std::nullopt;  // BAC's protected commands go to the chip
  const auto content = [&](std::uint16_t id) -> const TBytes* {
    if (id == kCardAccessId) return &cardAccess_;
    if (id == kCardSecurityId && secured && s.InMasterFile && !options_.CardSecurity.empty())
      return &options_.CardSecurity;
    return nullptr;
  };
  if (command.Ins == kInsSelect && (command.P1 == 0x00 || command.P1 == 0x02)) {
    const std::uint16_t id = FileIdOf(command);
    if (!content(id) || (id == kCardAccessId && !s.InMasterFile && secured)) return std::nullopt;
    s.MasterFileSelected = id;
    return simchip::Response({}, kSwSuccess);
  }
  if (command.Ins != kInsReadBinary) return std::nullopt;
  std::size_t offset = static_cast<std::size_t>(command.P1 << 8 | command.P2);
  if (command.P1 & 0x80) {  // short EF identifier: 1C EF.CardAccess, 1D EF.CardSecurity
    const std::uint16_t id = static_cast<std::uint16_t>(0x0100 | (command.P1 & 0x1F));
    if ((id != kCardAccessId && id != kCardSecurityId) || !content(id)) return std::nullopt;
    s.MasterFileSelected = id;
    offset = command.P2;
  }
  if (!s.MasterFileSelected) return std::nullopt;
  const TBytes* file = content(*s.MasterFileSelected);
  if (!file) return std::nullopt;
  if (offset >= file->size()) return simchip::StatusOnly(kSwWrongParameters);
  std::size_t length = std::min(file->size() - offset, command.Le.value_or(256));
  if (secured) length = std::min(length, simchip::kMaxProtectedReadLength);
  return simchip::Response(std::span(*file).subspan(offset, length), kSwSuccess);
}

std::optional<TBytes> TMappingPaceChip::AnswerProtected(const TCommandApdu& command, simchip::TSimulatedChip& chip) {
  TState& s = *state_;
  const std::optional<TCommandApdu> plain = s.Channel->Unwrap(command);
  if (!plain) {
    SessionEnded();
    return simchip::StatusOnly(kSwSmObjectsIncorrect);
  }
  if (plain->Ins == kInsSelect && plain->P1 == kSelectByName) {
    s.InMasterFile = false;
    s.MasterFileSelected.reset();
  }
  // SELECT of the master file (P1 00, no data or 3F00) goes back to EF.CardAccess and EF.CardSecurity.
  std::optional<TBytes> answer;
  if (plain->Ins == kInsSelect && plain->P1 == 0x00 && (plain->Data.empty() || FileIdOf(*plain) == kMasterFileId)) {
    s.InMasterFile = true;
    s.MasterFileSelected.reset();
    answer = simchip::StatusOnly(kSwSuccess);
  }
  if (!answer) answer = AnswerMasterFile(*plain, true);
  if (!answer) {
    if (plain->Ins == kInsSelect) s.MasterFileSelected.reset();
    answer = chip.AnswerGranted(*plain);
    // The chip's own SELECT of the application ends its BAC session, never this one.
  }
  const std::span<const std::uint8_t> whole(*answer);
  const std::uint16_t status = static_cast<std::uint16_t>(whole[whole.size() - 2] << 8 | whole.back());
  return s.Channel->Wrap(whole.first(whole.size() - 2), status);
}

TBytes TMappingPaceChip::SetAuthenticationTemplate(const TCommandApdu& command, simchip::TSimulatedChip& chip) {
  SessionEnded();
  TState& s = *state_;
  const auto oid = Find(command.Data, 0x80);
  const TMappingProtocol* protocol = oid ? FindMappingProtocol(*oid) : nullptr;
  if (!protocol) return simchip::StatusOnly(kSwWrongData);
  const auto offer = std::find_if(options_.Pace.Offers.begin(), options_.Pace.Offers.end(),
                                  [&](const pacechip::TPaceOffer& o) { return o.Protocol == protocol->Name; });
  if (offer == options_.Pace.Offers.end()) return simchip::StatusOnly(kSwWrongData);
  int parameterId = offer->ParameterId;
  if (const auto id = Find(command.Data, 0x84); id && id->size() == 1) parameterId = (*id)[0];
  s.Group = MakePaceGroup(parameterId);
  if (!s.Group || s.Group->IsEllipticCurve() != protocol->EllipticCurve) return simchip::StatusOnly(kSwWrongData);
  if (protocol->Mapping == EMapping::ChipAuthentication && options_.CamPrivateKey.empty() && cloneKey_.empty())
    return simchip::StatusOnly(simchip::kSwReferencedDataNotFound);
  // The password the terminal names: the MRZ, or the CAN when the chip has one; a chip with a CAN takes
  // nothing else.
  const auto reference = Find(command.Data, 0x83);
  const bool canNamed = reference && reference->size() == 1 && (*reference)[0] == kPasswordCan;
  const bool mrzNamed = reference && reference->size() == 1 && (*reference)[0] == kPasswordMrz;
  if (options_.Pace.Can.empty() ? !mrzNamed : !canNamed) return simchip::StatusOnly(simchip::kSwReferencedDataNotFound);
  s.PasswordKey = canNamed ? CanPasswordKey(options_.Pace.Can, protocol->KeyLength)
                           : MrzPasswordKey(chip.MrzInformation(), protocol->KeyLength);
  s.Protocol = protocol;
  s.Secrets = nextSecrets_.value_or(TChipSecrets{});
  nextSecrets_.reset();
  return simchip::StatusOnly(kSwSuccess);
}

TBytes TMappingPaceChip::GeneralAuthenticate(const TCommandApdu& command) {
  TState& s = *state_;
  if (!s.Protocol) return simchip::StatusOnly(kSwConditionsNotSatisfied);
  const auto dynamic = Find(command.Data, 0x7C);
  if (!dynamic) return simchip::StatusOnly(kSwWrongData);
  const auto fail = [&](std::uint16_t status) {
    SessionEnded();
    return simchip::StatusOnly(status);
  };
  const TPaceGroup& group = *s.Group;
  const std::size_t orderLength = static_cast<std::size_t>(BN_num_bytes(&group.Order()));
  switch (s.Step++) {
    case 0: {
      s.Nonce = s.Secrets.Nonce;
      if (s.Nonce.empty()) {
        s.Nonce.resize(kNonceLength);
        if (RAND_bytes(s.Nonce.data(), static_cast<int>(s.Nonce.size())) != 1) throw std::runtime_error("no nonce");
      }
      const std::array<std::uint8_t, kAesBlock> zero{};
      return DynamicData(MakeTlv(0x80, AesCbcEncrypt(s.PasswordKey, zero, s.Nonce)));
    }
    case 1: {
      const auto terminal = Find(*dynamic, 0x81);
      if (!terminal) return fail(kSwWrongData);
      if (s.Protocol->Mapping == EMapping::Integrated) {
        // R(s, t), n = ceil((bits of p + 64) / 128) blocks, then reduced mod p by the mapping.
        const auto blocks = static_cast<std::size_t>((s.Group->FieldBits() + 64 + 127) / 128);
        if (terminal->size() != s.Protocol->KeyLength ||
            !s.Group->MapIntegrated(IntegratedMappingRandom(s.Nonce, *terminal, blocks)))
          return fail(kSwWrongData);
        return DynamicData(MakeTlv(0x82, TBytes{}));
      }
      s.MappingKey = PrivateKey(s.Secrets.MappingKey, group.Order());
      const TBytes chipMappingKey = group.PublicKey(*s.MappingKey);
      if (*terminal == chipMappingKey || !s.Group->MapGeneric(*BnOf(s.Nonce), *s.MappingKey, *terminal))
        return fail(kSwWrongData);
      return DynamicData(MakeTlv(0x82, chipMappingKey));
    }
    case 2: {
      const auto terminal = Find(*dynamic, 0x83);
      if (!terminal) return fail(kSwWrongData);
      const TBn ephemeral = PrivateKey(s.Secrets.EphemeralKey, group.Order());
      s.ChipKey = group.PublicKey(*ephemeral);
      const std::optional<TBytes> secret = group.Agree(*ephemeral, *terminal);
      if (!secret || *terminal == s.ChipKey) return fail(kSwWrongData);
      s.TerminalKey = *terminal;
      s.Keys = simchip::TSmKeys{simchip::ESmCipher::Aes, DeriveKey(*secret, kKdfEnc, s.Protocol->KeyLength),
                                DeriveKey(*secret, kKdfMac, s.Protocol->KeyLength)};
      return DynamicData(MakeTlv(0x84, s.ChipKey));
    }
    case 3: {
      const auto token = Find(*dynamic, 0x85);
      const std::uint16_t keyTag = group.IsEllipticCurve() ? 0x86 : 0x84;
      const auto tokenOf = [&](const TBytes& key) {
        TBytes input = MakeTlv(0x06, s.Protocol->Oid);
        simchip::Append(input, MakeTlv(keyTag, key));
        return AesCmac8(s.Keys->Mac, MakeTlv(0x7F49, input));
      };
      if (!token || *token != tokenOf(s.ChipKey)) return fail(kSwAuthenticationFailed);
      TBytes objects = MakeTlv(0x86, tokenOf(s.TerminalKey));
      if (s.Protocol->Mapping == EMapping::ChipAuthentication) {
        // CA_IC = SK_Map,IC / SK_IC mod n, padded by method 2 and enciphered with IV = E(KS_Enc, FF..FF).
        const TBn staticKey = BnOf(options_.CloneCam ? cloneKey_ : options_.CamPrivateKey);
        TBnCtx context(BN_CTX_new());
        TBn data(BN_new());
        if (!context || !data || !BN_mod_inverse(data.get(), staticKey.get(), &group.Order(), context.get()) ||
            BN_mod_mul(data.get(), data.get(), s.MappingKey.get(), &group.Order(), context.get()) != 1)
          return fail(kSwWrongData);
        TBytes plain = BytesOfBn(*data, orderLength);
        const std::array<std::uint8_t, kAesBlock> zero{};
        std::array<std::uint8_t, kAesBlock> ones{};
        ones.fill(0xFF);
        const TBytes iv = AesCbcEncrypt(s.Keys->Enc, zero, ones);
        simchip::Append(objects, MakeTlv(0x8A, AesCbcEncrypt(s.Keys->Enc, iv, simchip::PadTo(plain, kAesBlock))));
        OPENSSL_cleanse(plain.data(), plain.size());
      }
      s.Channel.emplace(*s.Keys);
      return DynamicData(objects);
    }
    default:
      return simchip::StatusOnly(kSwConditionsNotSatisfied);
  }
}

}  // namespace mappingchip
