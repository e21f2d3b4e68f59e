#include "reader/Apdu.h"

TApduBytes TCommandApdu::Encode() const {
  TApduBytes bytes{Cla, Ins, P1, P2};
  if (!Data.empty()) {
    bytes.push_back(static_cast<std::uint8_t>(Data.size()));
    bytes.insert(bytes.end(), Data.begin(), Data.end());
  }
  if (Le) bytes.push_back(static_cast<std::uint8_t>(*Le & 0xFF));
  return bytes;
}

std::optional<TCommandApdu> ParseCommand(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  TCommandApdu command{bytes[0], bytes[1], bytes[2], bytes[3], {}, std::nullopt};
  const auto le = [](std::uint8_t byte) -> std::size_t { return byte == 0 ? 256 : byte; };
  const std::span<const std::uint8_t> body = bytes.subspan(4);
  if (body.empty()) return command;  // case 1
  if (body.size() == 1) {            // case 2
    command.Le = le(body[0]);
    return command;
  }
  const std::size_t lc = body[0];
  if (lc == 0) return std::nullopt;  // extended lengths are not supported
  if (body.size() == 1 + lc) {       // case 3
    command.Data.assign(body.begin() + 1, body.end());
    return command;
  }
  if (body.size() == 2 + lc) {  // case 4
    command.Data.assign(body.begin() + 1, body.end() - 1);
    command.Le = le(body.back());
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
