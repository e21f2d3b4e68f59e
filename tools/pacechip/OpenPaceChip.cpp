#include "tools/pacechip/OpenPaceChip.h"

#include <algorithm>
#include <stdexcept>

#include <eac/eac.h>
#include <eac/objects.h>
#include <eac/pace.h>
#include <openssl/buffer.h>
#include <openssl/objects.h>
#include <openssl/sha.h>

#include "tools/pacechip/EacBuffers.h"
#include "tools/pacechip/OpenPaceChipAuthentication.h"
#include "tools/simchip/Apdu.h"
#include "tools/simchip/Tlv.h"

namespace pacechip {

namespace {

using simchip::TBytes;

constexpr std::uint8_t kInsMse = 0x22;
constexpr std::uint8_t kInsGeneralAuthenticate = 0x86;
constexpr std::uint16_t kCardAccessId = 0x011C;
constexpr std::uint8_t kPasswordMrz = 0x01;
constexpr std::uint8_t kPasswordCan = 0x02;

TBytes Tlv(std::uint16_t tag, std::span<const std::uint8_t> value) {
  TBytes out;
  if (tag > 0xFF) out.push_back(static_cast<std::uint8_t>(tag >> 8));
  out.push_back(static_cast<std::uint8_t>(tag));
  if (value.size() > 0xFF) {
    out.insert(out.end(),
               {0x82, static_cast<std::uint8_t>(value.size() >> 8), static_cast<std::uint8_t>(value.size())});
  } else if (value.size() > 0x7F) {
    out.insert(out.end(), {0x81, static_cast<std::uint8_t>(value.size())});
  } else {
    out.push_back(static_cast<std::uint8_t>(value.size()));
  }
  out.insert(out.end(), value.begin(), value.end());
  return out;
}

// The DER content octets of the protocol's OID.
TBytes OidBytes(int nid) {
  const ASN1_OBJECT* object = OBJ_nid2obj(nid);
  if (!object) throw std::runtime_error("unknown PACE protocol");
  const unsigned char* data = OBJ_get0_data(object);
  return TBytes(data, data + OBJ_length(object));
}

int ProtocolNid(const std::string& name) {
  EAC_init();
  const int nid = OBJ_sn2nid(name.c_str());
  return nid == NID_undef ? OBJ_ln2nid(name.c_str()) : nid;
}

// Finds the value of the first object with this tag among those laid end to end.
std::optional<TBytes> Find(std::span<const std::uint8_t> bytes, std::uint16_t tag) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::uint16_t t = bytes[at++];
    if ((t & 0x1F) == 0x1F && at < bytes.size()) t = static_cast<std::uint16_t>(t << 8 | bytes[at++]);
    if (at >= bytes.size()) return std::nullopt;
    std::size_t length = bytes[at++];
    if (length == 0x81 && at < bytes.size()) {
      length = bytes[at++];
    } else if (length == 0x82 && at + 1 < bytes.size()) {
      length = static_cast<std::size_t>(bytes[at] << 8 | bytes[at + 1]);
      at += 2;
    } else if (length > 0x80) {
      return std::nullopt;
    }
    if (bytes.size() - at < length) return std::nullopt;
    if (t == tag)
      return TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return std::nullopt;
}

TBytes DynamicData(std::uint8_t tag, std::span<const std::uint8_t> value, std::uint16_t status = kSwSuccess) {
  return simchip::Response(Tlv(0x7C, Tlv(tag, value)), status);
}

}  // namespace

struct TOpenPaceChip::TState {
  ~TState() {
    EAC_CTX_clear_free(Eac);
    PACE_SEC_clear_free(Secret);
  }
  EAC_CTX* Eac = nullptr;
  PACE_SEC* Secret = nullptr;
  int Step = 0;  // GENERAL AUTHENTICATE steps done
  TBytes TerminalKey;
  TOpenPaceChipAuthentication ChipAuthentication;
  bool Established = false;
  bool CardAccessSelected = false;
};

bool KnownPaceProtocol(const std::string& name) { return ProtocolNid(name) != NID_undef; }

std::optional<TPaceOffer> ParsePaceOffer(std::string_view text) {
  const auto colon = text.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == text.size()) return std::nullopt;
  unsigned id = 0;
  for (const char c : text.substr(colon + 1)) {
    if (c < '0' || c > '9' || id > 0xFF) return std::nullopt;
    id = id * 10 + static_cast<unsigned>(c - '0');
  }
  if (id > 0xFF) return std::nullopt;
  return TPaceOffer{std::string(text.substr(0, colon)), static_cast<int>(id)};
}

TPaceChipOptions WithDocumentPace(TPaceChipOptions options, const std::vector<std::string>& documentOffers,
                                  const std::string& documentCan) {
  if (options.Offers.empty()) {
    for (const std::string& text : documentOffers) {
      const std::optional<TPaceOffer> offer = ParsePaceOffer(text);
      if (!offer || !KnownPaceProtocol(offer->Protocol))
        throw std::runtime_error("the document's PACE offer " + text + " is not PROTOCOL:ID of a known protocol");
      options.Offers.push_back(*offer);
    }
  }
  if (options.Can.empty()) options.Can = documentCan;
  if (!options.Can.empty()) options.RefuseBac = true;
  return options;
}

TOpenPaceChip::TOpenPaceChip(simchip::TSimulatedChip& chip, TPaceChipOptions options)
    : chip_(chip), options_(std::move(options)), state_(std::make_unique<TState>()) {
  EAC_init();
  TBytes infos;
  for (const TPaceOffer& offer : options_.Offers) {
    const int nid = ProtocolNid(offer.Protocol);
    if (nid == NID_undef) throw std::runtime_error("unknown PACE protocol " + offer.Protocol);
    TBytes info = Tlv(0x06, OidBytes(nid));
    const std::array<std::uint8_t, 1> version{2};
    const std::array<std::uint8_t, 1> id{static_cast<std::uint8_t>(offer.ParameterId)};
    simchip::Append(info, Tlv(0x02, version));
    simchip::Append(info, Tlv(0x02, id));
    simchip::Append(infos, Tlv(0x30, info));
  }
  cardAccess_ = Tlv(0x31, infos);
  chip_.SetExtension(this);
}

TOpenPaceChip::~TOpenPaceChip() { chip_.SetExtension(nullptr); }

bool TOpenPaceChip::Established() const { return state_->Established; }

EAC_CTX* TOpenPaceChip::SessionContext() const { return state_->Established ? state_->Eac : nullptr; }

void TOpenPaceChip::SessionEnded() { state_ = std::make_unique<TState>(); }

std::optional<TBytes> TOpenPaceChip::Answer(std::span<const std::uint8_t> bytes, simchip::TSimulatedChip& chip) {
  const std::optional<TCommandApdu> command = ParseCommand(bytes);
  if (!command || options_.Offers.empty()) return std::nullopt;
  TState& s = *state_;

  // Under PACE's secure messaging every protected command is unwrapped here,
  // answered by the chip as granted, and its answer wrapped.
  if (s.Established && (command->Cla & 0x0C) == 0x0C) {
    EAC_increment_ssc(s.Eac);
    const std::span<const std::uint8_t> data(command->Data);
    const auto mac = Find(data, 0x8E);
    const std::size_t macAt = data.size() - (mac ? mac->size() + 2 : 0);
    TBytes macInput{static_cast<std::uint8_t>(command->Cla), command->Ins, command->P1, command->P2};
    TBuf paddedHeader(EAC_add_iso_pad(s.Eac, BufOf(macInput).get()));
    macInput = BytesOf(paddedHeader.get());
    macInput.insert(macInput.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(macAt));
    TBuf padded(EAC_add_iso_pad(s.Eac, BufOf(macInput).get()));
    if (!mac || EAC_verify_authentication(s.Eac, padded.get(), BufOf(*mac).get()) != 1) {
      SessionEnded();
      return simchip::StatusOnly(kSwSmObjectsIncorrect);
    }
    TCommandApdu plain{0x00, command->Ins, command->P1, command->P2, {}, std::nullopt};
    if (const auto do87 = Find(data.first(macAt), 0x87); do87 && do87->size() > 1) {
      TBuf deciphered(EAC_decrypt(s.Eac, BufOf(std::span(*do87).subspan(1)).get()));
      TBuf unpadded(EAC_remove_iso_pad(deciphered.get()));
      plain.Data = BytesOf(unpadded.get());
    }
    if (const auto do97 = Find(data.first(macAt), 0x97); do97 && do97->size() == 1)
      plain.Le = (*do97)[0] == 0 ? 256 : (*do97)[0];
    const std::optional<TCaAnswer> caAnswer = s.ChipAuthentication.Answer(plain, *s.Eac, chip);
    const TBytes answer = caAnswer ? caAnswer->Answer : chip.AnswerGranted(plain);
    EAC_increment_ssc(s.Eac);
    const TBytes answerData(answer.begin(), answer.end() - 2);
    const TBytes status(answer.end() - 2, answer.end());
    TBytes body;
    if (!answerData.empty()) {
      TBuf paddedData(EAC_add_iso_pad(s.Eac, BufOf(answerData).get()));
      TBuf cryptogram(EAC_encrypt(s.Eac, paddedData.get()));
      TBytes value{0x01};
      simchip::Append(value, BytesOf(cryptogram.get()));
      body = Tlv(0x87, value);
    }
    simchip::Append(body, Tlv(0x99, status));
    TBuf paddedBody(EAC_add_iso_pad(s.Eac, BufOf(body).get()));
    TBuf answerMac(EAC_authenticate(s.Eac, paddedBody.get()));
    simchip::Append(body, Tlv(0x8E, BytesOf(answerMac.get())));
    simchip::Append(body, status);
    // Chip Authentication answered under PACE's keys; its own from the next command on, counter from zero.
    if (caAnswer && caAnswer->SwitchKeys && !EAC_CTX_set_encryption_ctx(s.Eac, EAC_ID_CA))
      throw std::runtime_error("OpenPACE cannot switch to Chip Authentication's keys");
    return body;
  }

  if (command->Cla == 0x00 && command->Ins == kInsSelect && command->P1 == 0x02 && command->Data.size() == 2) {
    s.CardAccessSelected = (command->Data[0] << 8 | command->Data[1]) == kCardAccessId;
    if (s.CardAccessSelected) return simchip::StatusOnly(kSwSuccess);
    return std::nullopt;
  }
  if (command->Cla == 0x00 && command->Ins == kInsReadBinary && s.CardAccessSelected) {
    const std::size_t offset = static_cast<std::size_t>(command->P1 << 8 | command->P2);
    if (offset >= cardAccess_.size()) return simchip::StatusOnly(kSwWrongParameters);
    const std::size_t length = std::min(cardAccess_.size() - offset, command->Le.value_or(256));
    return simchip::Response(std::span(cardAccess_).subspan(offset, length), kSwSuccess);
  }
  if (command->Ins == kInsSelect) s.CardAccessSelected = false;
  if (command->Ins == kInsExternalAuthenticate && options_.RefuseBac)
    return simchip::StatusOnly(kSwConditionsNotSatisfied);

  if (command->Ins == kInsMse && command->P1 == 0xC1 && command->P2 == 0xA4) {
    SessionEnded();
    TState& fresh = *state_;
    const auto oid = Find(command->Data, 0x80);
    if (!oid) return simchip::StatusOnly(kSwWrongData);
    const auto offer = std::find_if(options_.Offers.begin(), options_.Offers.end(),
                                    [&](const TPaceOffer& o) { return OidBytes(ProtocolNid(o.Protocol)) == *oid; });
    if (offer == options_.Offers.end()) return simchip::StatusOnly(kSwWrongData);
    int parameterId = offer->ParameterId;
    if (const auto id = Find(command->Data, 0x84); id && id->size() == 1) parameterId = (*id)[0];
    // The password the terminal names (tag 83): the MRZ, or the CAN when the
    // chip has one; a chip with a CAN takes nothing else.
    const auto reference = Find(command->Data, 0x83);
    const bool canNamed = reference && reference->size() == 1 && (*reference)[0] == kPasswordCan;
    const bool mrzNamed = reference && reference->size() == 1 && (*reference)[0] == kPasswordMrz;
    if (options_.Can.empty() ? !mrzNamed : !canNamed) return simchip::StatusOnly(simchip::kSwReferencedDataNotFound);
    fresh.Eac = EAC_CTX_new();
    if (canNamed) {
      // OpenPACE takes the CAN's characters as they are (PACE_CAN: no hash).
      fresh.Secret = PACE_SEC_new(options_.Can.data(), options_.Can.size(), PACE_CAN);
    } else {
      // f(π) of the MRZ: SHA-1 of the MRZ information, handed over as the raw secret.
      std::array<std::uint8_t, SHA_DIGEST_LENGTH> digest{};
      const std::string& mrz = chip.MrzInformation();
      SHA1(reinterpret_cast<const unsigned char*>(mrz.data()), mrz.size(), digest.data());
      fresh.Secret = PACE_SEC_new(reinterpret_cast<const char*>(digest.data()), digest.size(), PACE_RAW);
    }
    if (!fresh.Eac || !fresh.Secret || !EAC_CTX_init_pace(fresh.Eac, ProtocolNid(offer->Protocol), parameterId))
      return simchip::StatusOnly(kSwWrongData);
    return simchip::StatusOnly(kSwSuccess);
  }

  if (command->Ins != kInsGeneralAuthenticate) return std::nullopt;
  if (!s.Eac) return simchip::StatusOnly(kSwConditionsNotSatisfied);
  const auto dynamic = Find(command->Data, 0x7C);
  if (!dynamic) return simchip::StatusOnly(kSwWrongData);
  switch (s.Step++) {
    case 0: {
      TBuf nonce(PACE_STEP1_enc_nonce(s.Eac, s.Secret));
      return DynamicData(0x80, BytesOf(nonce.get()));
    }
    case 1: {
      const auto terminal = Find(*dynamic, 0x81);
      TBuf mapping(PACE_STEP3A_generate_mapping_data(s.Eac));
      if (!terminal || !mapping || !PACE_STEP3A_map_generator(s.Eac, BufOf(*terminal).get()))
        return simchip::StatusOnly(kSwWrongData);
      return DynamicData(0x82, BytesOf(mapping.get()));
    }
    case 2: {
      const auto terminal = Find(*dynamic, 0x83);
      TBuf key(PACE_STEP3B_generate_ephemeral_key(s.Eac));
      if (!terminal || !key || !PACE_STEP3B_compute_shared_secret(s.Eac, BufOf(*terminal).get()) ||
          !PACE_STEP3C_derive_keys(s.Eac))
        return simchip::StatusOnly(kSwWrongData);
      s.TerminalKey = *terminal;
      return DynamicData(0x84, BytesOf(key.get()));
    }
    case 3: {
      const auto token = Find(*dynamic, 0x85);
      if (!token || PACE_STEP3D_verify_authentication_token(s.Eac, BufOf(*token).get()) != 1) {
        SessionEnded();
        return simchip::StatusOnly(kSwAuthenticationFailed);
      }
      TBuf chipToken(PACE_STEP3D_compute_authentication_token(s.Eac, BufOf(s.TerminalKey).get()));
      if (!chipToken || !EAC_CTX_set_encryption_ctx(s.Eac, EAC_ID_PACE)) return simchip::StatusOnly(kSwWrongData);
      s.Established = true;
      chip.SelectApplication();  // files of the application from now on, as after BAC
      return DynamicData(0x86, BytesOf(chipToken.get()));
    }
    default:
      return simchip::StatusOnly(kSwConditionsNotSatisfied);
  }
}

}  // namespace pacechip
