#include "card/messaging/AesSecureMessaging.h"

#include <algorithm>
#include <optional>

#include "card/DataObjects.h"
#include "crypto/ByteOperations.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"

namespace {

constexpr std::uint8_t kSecureClass = 0x0C;
constexpr std::size_t kMacObjectAndStatus = 12;  // 8E 08, the MAC, SW1 SW2

// ISO/IEC 9797-1 method 2 to a whole number of AES blocks.
void PadToBlock(std::vector<std::uint8_t>& bytes) {
  bytes.push_back(0x80);
  while (bytes.size() % kAesBlockSize != 0) bytes.push_back(0x00);
}

TAesBlock CurrentIv(TAesSession& session) { return session.Scheduled().EncryptBlock(session.SSC); }

// CMAC over SSC || message padded; message is padded in place.
TShortMac MacWithCounter(TAesSession& session, std::vector<std::uint8_t> message) {
  PadToBlock(message);
  message.insert(message.begin(), session.SSC.begin(), session.SSC.end());
  return session.Scheduled().Cmac8(message);
}

void LogRejection(std::string_view pattern, long long value) { LogMessage(FormatMessage(pattern, {value})); }

// The parts of an answer under secure messaging.
struct TAesAnswer {
  std::optional<std::span<const std::uint8_t>> Cryptogram;  // value of DO'87' (indicator and cryptogram)
  std::span<const std::uint8_t> MacInput;                   // DO'87' and DO'99'
  std::span<const std::uint8_t> Mac;
};

// DO'87' (optional), DO'99', DO'8E' (8 bytes) and nothing more before SW1 SW2.
std::optional<TAesAnswer> SplitAnswer(std::span<const std::uint8_t> answer) {
  if (answer.size() < kMacObjectAndStatus) return std::nullopt;
  const std::span<const std::uint8_t> body = answer.first(answer.size() - 2);
  TAesAnswer parts;
  std::size_t at = 0;
  std::optional<TDataObject> object = ReadDataObject(body);
  if (object && object->Tag == 0x87) {
    parts.Cryptogram = object->Value;
    at += object->Length;
    object = ReadDataObject(body.subspan(at));
  }
  if (!object || object->Tag != 0x99 || object->Value.size() != 2) return std::nullopt;
  at += object->Length;
  parts.MacInput = body.first(at);
  object = ReadDataObject(body.subspan(at));
  if (!object || object->Tag != 0x8E || object->Value.size() != 8 || at + object->Length != body.size())
    return std::nullopt;
  parts.Mac = object->Value;
  return parts;
}

bool MacMatches(TAesSession& session, const TAesAnswer& parts) {
  IncrementCounter(session.SSC);
  const TShortMac mac =
      MacWithCounter(session, std::vector<std::uint8_t>(parts.MacInput.begin(), parts.MacInput.end()));
  return SameBytes(mac, parts.Mac);
}

}  // namespace

TCommandApdu BuildAesProtectedCommand(TAesSession& session, const TCommandApdu& plain) {
  IncrementCounter(session.SSC);
  const auto secureClass = static_cast<std::uint8_t>(plain.Cla | kSecureClass);
  // An extended command stays extended, its Le 00 00; a short one keeps Le 00.
  const bool extended = plain.Extended();
  TCommandApdu secured{secureClass, plain.Ins, plain.P1, plain.P2, {}, extended ? kExtendedMaxAnswerData : 256,
                       extended};
  if (!plain.Data.empty()) {
    TSecretBuffer padded(plain.Data.size() / kAesBlockSize * kAesBlockSize + kAesBlockSize);
    std::ranges::copy(plain.Data, padded.data());
    padded.data()[plain.Data.size()] = 0x80;
    std::vector<std::uint8_t> value(1 + padded.size());
    value[0] = 0x01;  // padding-content indicator: ISO/IEC 9797-1 method 2
    session.Scheduled().Cbc(TAesDirection::Encrypt, CurrentIv(session), padded.Bytes(),
                            std::span<std::uint8_t>(value).subspan(1));
    AppendDataObject(secured.Data, 0x87, value);
  }
  if (plain.Le) AppendDataObject(secured.Data, 0x97, ExpectedLengthValue(*plain.Le, extended));
  std::vector<std::uint8_t> macInput{secureClass, plain.Ins, plain.P1, plain.P2};
  PadToBlock(macInput);
  macInput.insert(macInput.end(), secured.Data.begin(), secured.Data.end());
  const TShortMac mac = MacWithCounter(session, std::move(macInput));
  AppendDataObject(secured.Data, 0x8E, mac);
  return secured;
}

bool CheckAesAnswer(TAesSession& session, std::span<const std::uint8_t> answer) {
  const std::optional<TAesAnswer> parts = SplitAnswer(answer);
  if (!parts) {
    IncrementCounter(session.SSC);
    return false;
  }
  return MacMatches(session, *parts);
}

TUnwrapResult UnwrapAesReadAnswer(TAesSession& session, std::span<const std::uint8_t> answer,
                                  std::span<std::uint8_t> plaintext, std::size_t& length) {
  if (answer.size() < 10) {
    LogRejection("Hata #1 : %d", static_cast<long long>(answer.size()));
    return TUnwrapResult::TooShort;
  }
  const std::optional<TAesAnswer> parts = SplitAnswer(answer);
  if (!parts || !parts->Cryptogram) {
    LogRejection("Hata #3 : %d", static_cast<long long>(answer.size()));
    return TUnwrapResult::Rejected;
  }
  const std::span<const std::uint8_t> value = *parts->Cryptogram;
  const long long cryptogramLength = static_cast<long long>(value.size()) - 1;
  if (cryptogramLength <= 0 || cryptogramLength % kAesBlockSize != 0 || value[0] != 0x01) {
    LogRejection("Hata #4 : %d", cryptogramLength);
    return TUnwrapResult::Rejected;
  }
  if (static_cast<std::size_t>(cryptogramLength) > plaintext.size()) {
    LogRejection("Hata #5 : %d", cryptogramLength);
    return TUnwrapResult::Rejected;
  }
  if (!MacMatches(session, *parts)) return TUnwrapResult::WrongMac;

  const std::span<const std::uint8_t> cryptogram = value.subspan(1);
  session.Scheduled().Cbc(TAesDirection::Decrypt, CurrentIv(session), cryptogram, plaintext);
  // Method 2 padding: drop trailing zeros and the 80 before them.
  std::size_t end = cryptogram.size();
  while (end > 0 && plaintext[end - 1] == 0x00) --end;
  length = end > 0 && plaintext[end - 1] == 0x80 ? end - 1 : cryptogram.size();
  return TUnwrapResult::Ok;
}
