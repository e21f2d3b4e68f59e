#include "tools/simchip/Atr.h"

#include <array>
#include <span>

namespace simchip {

TBytes ContactlessAtr(bool extendedLength) {
  constexpr std::uint8_t kInitial = 0x3B;                        // TS: direct convention
  constexpr std::array<std::uint8_t, 2> kInterface{0x80, 0x01};  // TD1: TD2 follows, T=0; TD2: T=1
  // Type B: application data of the ATQB (none given), protocol information
  // (106 kbit/s both ways; frame size 256 bytes, ISO/IEC 14443-4; FWI 7), MBLI 0.
  constexpr std::array<std::uint8_t, 8> kTypeB{0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x71, 0x00};
  // Type A: category 80, card capabilities: DF selection by full name (80),
  // data unit of one byte (01), extended Lc and Le fields (40).
  constexpr std::array<std::uint8_t, 5> kTypeAExtended{0x80, 0x73, 0x80, 0x01, 0x40};

  const std::span<const std::uint8_t> historical =
      extendedLength ? std::span<const std::uint8_t>(kTypeAExtended) : std::span<const std::uint8_t>(kTypeB);
  TBytes atr{kInitial, static_cast<std::uint8_t>(0x80 | historical.size())};  // T0: TD1 follows, K historical bytes
  Append(atr, kInterface);
  Append(atr, historical);
  std::uint8_t check = 0;  // TCK: exclusive-or of T0 up to the last historical byte
  for (std::size_t i = 1; i < atr.size(); ++i) check ^= atr[i];
  atr.push_back(check);
  return atr;
}

}  // namespace simchip
