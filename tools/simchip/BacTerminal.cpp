#include "tools/simchip/BacTerminal.h"

#include <algorithm>
#include <random>

#include "tools/simchip/Tlv.h"

namespace simchip {

namespace {

enum : std::uint8_t { kDoCryptogram = 0x87, kDoLe = 0x97, kDoMac = 0x8E, kDoStatus = 0x99 };
constexpr std::uint8_t kClaSecureMessaging = 0x0C;

template <typename TArray>
TArray RandomArray() {
  static std::random_device device;
  TArray value{};
  for (auto& b : value) b = static_cast<std::uint8_t>(device());
  return value;
}

TBytes PlainCommandBytes(const TCommandApdu& command) {
  TBytes bytes{command.Cla, command.Ins, command.P1, command.P2};
  if (!command.Data.empty()) {
    bytes.push_back(static_cast<std::uint8_t>(command.Data.size()));
    Append(bytes, command.Data);
  }
  if (command.Le) bytes.push_back(static_cast<std::uint8_t>(*command.Le == 256 ? 0 : *command.Le));
  return bytes;
}

bool SameBlock(std::span<const std::uint8_t> a, const TBlock& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace

TTerminalChannel::TTerminalChannel(const TKeyPair& sessionKeys, const TBlock& initialCounter)
    : keys_(sessionKeys), counter_(initialCounter) {}

TBlock TTerminalChannel::NextMac(std::span<const std::uint8_t> data) {
  Increment(counter_);
  TBytes input(counter_.begin(), counter_.end());
  Append(input, data);
  return RetailMac(keys_.Mac, input);
}

TBytes TTerminalChannel::Protect(const TCommandApdu& plain) {
  const std::array<std::uint8_t, 4> header{static_cast<std::uint8_t>(plain.Cla | kClaSecureMessaging), plain.Ins,
                                           plain.P1, plain.P2};
  TBytes objects;
  if (!plain.Data.empty()) {
    TBytes value{0x01};
    Append(value, Encrypt3Des(keys_.Enc, Pad(plain.Data)));
    Append(objects, MakeTlv(kDoCryptogram, value));
  }
  if (plain.Le)
    Append(objects, MakeTlv(kDoLe, std::array<std::uint8_t, 1>{static_cast<std::uint8_t>(*plain.Le & 0xFF)}));
  TBytes macInput = Pad(header);
  Append(macInput, objects);
  Append(objects, MakeTlv(kDoMac, NextMac(macInput)));

  TBytes command(header.begin(), header.end());
  command.push_back(static_cast<std::uint8_t>(objects.size()));
  Append(command, objects);
  command.push_back(0x00);
  return command;
}

std::optional<TTerminalChannel::TPlainAnswer> TTerminalChannel::Unprotect(std::span<const std::uint8_t> answer) {
  if (answer.size() < 2) return std::nullopt;
  const auto body = answer.first(answer.size() - 2);
  std::optional<std::span<const std::uint8_t>> cryptogram;
  std::optional<std::uint16_t> status;
  std::size_t p = 0;
  while (p < body.size()) {
    const auto object = ReadTlv(body.subspan(p));
    if (!object) return std::nullopt;
    if (object->Tag == kDoMac) {
      if (object->Value.size() != kBlockSize || p + object->Size != body.size()) return std::nullopt;
      if (!SameBlock(object->Value, NextMac(body.first(p)))) return std::nullopt;
      if (!status) return std::nullopt;
      TPlainAnswer plain{{}, *status};
      if (cryptogram) {
        if (cryptogram->size() < 1 + kBlockSize || (cryptogram->size() - 1) % kBlockSize != 0) return std::nullopt;
        plain.Data = Decrypt3Des(keys_.Enc, cryptogram->subspan(1));
        const auto length = UnpaddedLength(plain.Data);
        if (!length) return std::nullopt;
        plain.Data.resize(*length);
      }
      return plain;
    }
    if (object->Tag == kDoCryptogram) cryptogram = object->Value;
    if (object->Tag == kDoStatus && object->Value.size() == 2) status = GetStatusWord(object->Value);
    p += object->Size;
  }
  return std::nullopt;
}

TBytes TTerminalAuthentication::CommandData() const {
  TBytes s(Nonce.begin(), Nonce.end());
  Append(s, Challenge);
  Append(s, KeyMaterial);
  TBytes data = Encrypt3Des(DocumentKeys.Enc, s);
  Append(data, RetailMac(DocumentKeys.Mac, data));
  return data;
}

std::optional<TTerminalChannel> TTerminalAuthentication::Finish(std::span<const std::uint8_t> answerData) const {
  if (answerData.size() != 40) return std::nullopt;
  const auto cryptogram = answerData.first(32);
  if (!SameBlock(answerData.subspan(32), RetailMac(DocumentKeys.Mac, cryptogram))) return std::nullopt;
  const TBytes r = Decrypt3Des(DocumentKeys.Enc, cryptogram);
  if (!std::equal(Challenge.begin(), Challenge.end(), r.begin()) ||
      !std::equal(Nonce.begin(), Nonce.end(), r.begin() + 8))
    return std::nullopt;
  TKey seed{};
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = r[16 + i] ^ KeyMaterial[i];
  TBlock counter{};
  std::copy_n(Challenge.begin() + 4, 4, counter.begin());
  std::copy_n(Nonce.begin() + 4, 4, counter.begin() + 4);
  return TTerminalChannel(DeriveKeys(seed), counter);
}

TBacTerminal::TAnswer TBacTerminal::SelectApplication() {
  channel_.reset();
  return Send({0x00, 0xA4, 0x04, 0x0C, {0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01}, std::nullopt});
}

TBacTerminal::TAnswer TBacTerminal::Authenticate(std::string_view mrzInformation, std::optional<TBlock> nonce,
                                                 std::optional<TKey> keyMaterial) {
  channel_.reset();
  const TAnswer challenge = Send({0x00, kInsGetChallenge, 0x00, 0x00, {}, 8});
  if (challenge.LinkFailed || challenge.Status != kSwSuccess || challenge.Data.size() != kBlockSize) return challenge;
  TTerminalAuthentication authentication{DeriveKeys(KeySeedFromMrz(mrzInformation)),
                                         {},
                                         nonce.value_or(RandomArray<TBlock>()),
                                         keyMaterial.value_or(RandomArray<TKey>())};
  std::copy(challenge.Data.begin(), challenge.Data.end(), authentication.Challenge.begin());
  TAnswer answer = Send({0x00, kInsExternalAuthenticate, 0x00, 0x00, authentication.CommandData(), 40});
  if (answer.LinkFailed || answer.Status != kSwSuccess) return answer;
  channel_ = authentication.Finish(answer.Data);
  answer.Authentic = channel_.has_value();
  return answer;
}

TBacTerminal::TAnswer TBacTerminal::Send(const TCommandApdu& command) {
  const TBytes bytes = channel_ ? channel_->Protect(command) : PlainCommandBytes(command);
  const auto response = link_(bytes);
  if (!response) return {true, true, 0, {}};
  TAnswer answer{false, true, GetStatusWord(*response), {}};
  if (!channel_ || response->size() <= 2) {  // plain answers, and errors in plain form
    if (response->size() >= 2) answer.Data.assign(response->begin(), response->end() - 2);
    return answer;
  }
  const auto plain = channel_->Unprotect(*response);
  if (!plain) {
    answer.Authentic = false;
    return answer;
  }
  answer.Data = plain->Data;
  return answer;
}

TBacTerminal::TAnswer TBacTerminal::Select(std::uint16_t fileId) {
  return Send({0x00,
               kInsSelect,
               0x02,
               0x0C,
               {static_cast<std::uint8_t>(fileId >> 8), static_cast<std::uint8_t>(fileId)},
               std::nullopt});
}

TBacTerminal::TAnswer TBacTerminal::Read(std::size_t offset, std::size_t length) {
  return Send(
      {0x00, kInsReadBinary, static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset), {}, length});
}

std::optional<TBytes> TBacTerminal::ReadFile(std::uint16_t fileId, std::size_t piece) {
  const auto ok = [](const TAnswer& a) { return !a.LinkFailed && a.Authentic && a.Status == kSwSuccess; };
  if (!ok(Select(fileId))) return std::nullopt;
  const TAnswer head = Read(0, 4);
  if (!ok(head)) return std::nullopt;
  const auto total = EncodedFileLength(head.Data);
  if (!total) return std::nullopt;
  TBytes content;
  while (content.size() < *total) {
    const TAnswer part = Read(content.size(), std::min(piece, *total - content.size()));
    if (!ok(part) || part.Data.empty()) return std::nullopt;
    Append(content, part.Data);
  }
  return content;
}

std::optional<TBlock> TBacTerminal::Counter() const {
  if (!channel_) return std::nullopt;
  return channel_->Counter();
}

std::optional<std::size_t> EncodedFileLength(std::span<const std::uint8_t> start) {
  if (start.empty() || start[0] == 0x00 || start[0] == 0xFF) return std::nullopt;
  std::size_t p = (start[0] & 0x1F) == 0x1F ? 2 : 1;
  if (p >= start.size()) return std::nullopt;
  const std::uint8_t first = start[p++];
  if (first < 0x80) return p + first;
  const std::size_t count = first & 0x7F;
  if (count == 0 || count > 2 || p + count > start.size()) return std::nullopt;
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) length = length << 8 | start[p++];
  return p + length;
}

}  // namespace simchip
