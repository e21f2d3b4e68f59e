#include "tools/simchip/Atr.h"

#include <array>

namespace simchip {

TBytes ContactlessAtr() {
  constexpr std::uint8_t kInitial = 0x3B;                        // TS: direct convention
  constexpr std::uint8_t kFormat = 0x88;                         // T0: TD1 follows, eight historical bytes
  constexpr std::array<std::uint8_t, 2> kInterface{0x80, 0x01};  // TD1: TD2 follows, T=0; TD2: T=1
  // Application data of the ATQB (none given), protocol information
  // (106 kbit/s both ways; frame size 256 bytes, ISO/IEC 14443-4; FWI 7), MBLI 0.
  constexpr std::array<std::uint8_t, 8> kHistorical{0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x71, 0x00};

  TBytes atr{kInitial, kFormat};
  Append(atr, kInterface);
  Append(atr, kHistorical);
  std::uint8_t check = 0;  // TCK: exclusive-or of T0 up to the last historical byte
  for (std::size_t i = 1; i < atr.size(); ++i) check ^= atr[i];
  atr.push_back(check);
  return atr;
}

}  // namespace simchip
