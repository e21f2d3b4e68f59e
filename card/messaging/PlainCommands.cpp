#include "card/messaging/PlainCommands.h"

namespace {

constexpr std::uint8_t kEfComIdentifierLow = 0x1E;
constexpr std::uint8_t kSelectByName = 0x04;
constexpr std::uint8_t kSelectElementaryFile = 0x02;
constexpr std::uint8_t kNoAnswerData = 0x0C;

}  // namespace

std::uint8_t FileIdentifierLow(std::uint8_t number) { return number == 0 ? kEfComIdentifierLow : number; }

TCommandApdu BuildSelectApplication() {
  return {0x00, kInsSelect, kSelectByName, kNoAnswerData, {0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01}, std::nullopt};
}

TCommandApdu BuildSelectFileId(std::uint16_t fileId) {
  return {0x00,
          kInsSelect,
          kSelectElementaryFile,
          kNoAnswerData,
          {static_cast<std::uint8_t>(fileId >> 8), static_cast<std::uint8_t>(fileId & 0xFF)},
          std::nullopt};
}

TCommandApdu BuildSelectFile(std::uint8_t number) { return BuildSelectFileId(0x0100 | FileIdentifierLow(number)); }

std::optional<TCommandApdu> BuildReadBinary(std::uint16_t offset, std::uint16_t length) {
  if (length > 256) return std::nullopt;
  return TCommandApdu{0x00,
                      kInsReadBinary,
                      static_cast<std::uint8_t>(offset >> 8),
                      static_cast<std::uint8_t>(offset & 0xFF),
                      {},
                      length == 0 ? 256 : length};
}
