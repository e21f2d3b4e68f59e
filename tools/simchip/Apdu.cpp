#include "tools/simchip/Apdu.h"

namespace simchip {

namespace {

std::size_t LeValue(std::uint8_t byte) { return byte == 0 ? 256 : byte; }

}  // namespace

std::optional<TCommandApdu> ParseCommand(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  TCommandApdu command{bytes[0], bytes[1], bytes[2], bytes[3], {}, std::nullopt};
  const auto body = bytes.subspan(4);
  if (body.empty()) return command;                 // case 1
  if (body.size() == 1) {                           // case 2
    command.Le = LeValue(body[0]);
    return command;
  }
  const std::size_t lc = body[0];
  if (lc == 0) return std::nullopt;                 // extended lengths are not supported
  if (body.size() == 1 + lc) {                      // case 3
    command.Data.assign(body.begin() + 1, body.end());
    return command;
  }
  if (body.size() == 2 + lc) {                      // case 4
    command.Data.assign(body.begin() + 1, body.end() - 1);
    command.Le = LeValue(body.back());
    return command;
  }
  return std::nullopt;
}

TBytes Response(std::span<const std::uint8_t> data, std::uint16_t statusWord) {
  TBytes response(data.begin(), data.end());
  response.push_back(static_cast<std::uint8_t>(statusWord >> 8));
  response.push_back(static_cast<std::uint8_t>(statusWord));
  return response;
}

TBytes StatusOnly(std::uint16_t statusWord) { return Response({}, statusWord); }

std::uint16_t StatusWordOf(std::span<const std::uint8_t> response) {
  if (response.size() < 2) return 0xFFFF;
  return static_cast<std::uint16_t>(response[response.size() - 2] << 8 | response.back());
}

}  // namespace simchip
