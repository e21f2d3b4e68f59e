#include "reader/Atr.h"

bool IsContactlessAtr(std::span<const std::uint8_t> atr) {
  constexpr std::uint8_t kDirectConvention = 0x3B;
  constexpr std::uint8_t kHistoricalBytesFollow = 0x80;  // T0's high nibble: TD1 present, no TA1 to TC1
  constexpr std::uint8_t kTd1 = 0x80;                    // TD2 follows, T=0
  constexpr std::uint8_t kTd2 = 0x01;                    // T=1
  return atr.size() >= 4 && atr[0] == kDirectConvention && (atr[1] & 0xF0) == kHistoricalBytesFollow &&
         atr[2] == kTd1 && atr[3] == kTd2;
}
