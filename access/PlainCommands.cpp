#include "access/PlainCommands.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::uint8_t, 12> kSelectApplication{0x00, 0xA4, 0x04, 0x0C, 0x07, 0xA0,
                                                          0x00, 0x00, 0x02, 0x47, 0x10, 0x01};
constexpr std::uint8_t kEfComIdentifierLow = 0x1E;

}  // namespace

std::uint8_t FileIdentifierLow(std::uint8_t number) { return number == 0 ? kEfComIdentifierLow : number; }

void BuildSelectApplication(TApduBuffer& command, std::uint32_t& commandLength) {
  std::ranges::copy(kSelectApplication, command.begin());
  commandLength = kSelectApplication.size();
}

void BuildSelectFile(std::uint8_t number, TApduBuffer& command, std::uint32_t& commandLength) {
  const std::array<std::uint8_t, 7> select{0x00, 0xA4, 0x02, 0x0C, 0x02, 0x01, FileIdentifierLow(number)};
  std::ranges::copy(select, command.begin());
  commandLength = select.size();
}

void BuildReadBinary(std::uint16_t offset, std::uint16_t length, TApduBuffer& command,
                     std::uint32_t& commandLength) {
  if (length > 256) return;
  const std::array<std::uint8_t, 5> read{0x00, 0xB0, static_cast<std::uint8_t>(offset >> 8),
                                         static_cast<std::uint8_t>(offset & 0xFF),
                                         static_cast<std::uint8_t>(length & 0xFF)};
  std::ranges::copy(read, command.begin());
  commandLength = read.size();
}
