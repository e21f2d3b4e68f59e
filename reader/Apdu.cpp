#include "reader/Apdu.h"

namespace {

void PushExtendedLength(TApduBytes& bytes, std::size_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::size_t ShortLe(std::uint8_t byte) { return byte == 0 ? 256 : byte; }
std::size_t ExtendedLe(std::span<const std::uint8_t> two) {
  const std::size_t value = static_cast<std::size_t>(two[0]) << 8 | two[1];
  return value == 0 ? kExtendedMaxAnswerData : value;
}

// The body after the header of an extended APDU (it starts with 00).
std::optional<TCommandApdu> ParseExtended(TCommandApdu command, std::span<const std::uint8_t> body) {
  command.ExtendedLength = true;
  if (body.size() == 3) {  // case 2E: 00 Le Le
    command.Le = ExtendedLe(body.subspan(1));
    return command;
  }
  const std::size_t lc = static_cast<std::size_t>(body[1]) << 8 | body[2];
  if (lc == 0) return std::nullopt;
  if (body.size() == 3 + lc) {  // case 3E
    command.Data.assign(body.begin() + 3, body.end());
    return command;
  }
  if (body.size() == 5 + lc) {  // case 4E
    command.Data.assign(body.begin() + 3, body.end() - 2);
    command.Le = ExtendedLe(body.last(2));
    return command;
  }
  return std::nullopt;
}

}  // namespace

TApduBytes TCommandApdu::Encode() const {
  TApduBytes bytes{Cla, Ins, P1, P2};
  if (!Extended()) {
    if (!Data.empty()) {
      bytes.push_back(static_cast<std::uint8_t>(Data.size()));
      bytes.insert(bytes.end(), Data.begin(), Data.end());
    }
    if (Le) bytes.push_back(static_cast<std::uint8_t>(*Le & 0xFF));
    return bytes;
  }
  if (!Data.empty()) {
    bytes.push_back(0x00);
    PushExtendedLength(bytes, Data.size());
    bytes.insert(bytes.end(), Data.begin(), Data.end());
  }
  if (Le) {
    if (Data.empty()) bytes.push_back(0x00);
    PushExtendedLength(bytes, *Le);  // 65536 is written 00 00
  }
  return bytes;
}

std::optional<TCommandApdu> ParseCommand(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  TCommandApdu command{bytes[0], bytes[1], bytes[2], bytes[3], {}, std::nullopt};
  const std::span<const std::uint8_t> body = bytes.subspan(4);
  if (body.empty()) return command;  // case 1
  if (body.size() == 1) {            // case 2
    command.Le = ShortLe(body[0]);
    return command;
  }
  if (body[0] == 0) return body.size() >= 3 ? ParseExtended(command, body) : std::nullopt;
  const std::size_t lc = body[0];
  if (body.size() == 1 + lc) {  // case 3
    command.Data.assign(body.begin() + 1, body.end());
    return command;
  }
  if (body.size() == 2 + lc) {  // case 4
    command.Data.assign(body.begin() + 1, body.end() - 1);
    command.Le = ShortLe(body.back());
    return command;
  }
  return std::nullopt;
}

TApduBytes TResponseApdu::Encode() const {
  TApduBytes bytes = Data;
  bytes.push_back(static_cast<std::uint8_t>(Status >> 8));
  bytes.push_back(static_cast<std::uint8_t>(Status & 0xFF));
  return bytes;
}

std::uint16_t GetStatusWord(std::span<const std::uint8_t> response) {
  const std::size_t n = response.size();
  if (n < 2) return kSwNoStatus;
  return static_cast<std::uint16_t>(response[n - 2] << 8 | response[n - 1]);
}

TResponseApdu ParseResponse(std::span<const std::uint8_t> response) {
  if (response.size() < 2) return {};
  return {TApduBytes(response.begin(), response.end() - 2), GetStatusWord(response)};
}
