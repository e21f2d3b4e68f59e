#include "support/CardTampers.h"

TAnswer ConnectionLost(TAnswer) { return {{}, kCardRemoved}; }

TScriptedCard::TTamper PcscError(std::int32_t result) {
  return [result](TAnswer) { return TAnswer{{}, result}; };
}

TScriptedCard::TTamper StatusOnly(std::uint16_t status) {
  return [status](TAnswer) {
    return TAnswer{{static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status & 0xFF)}};
  };
}

TScriptedCard::TTamper FlipByte(int index) {
  return [index](TAnswer answer) {
    const auto at =
        index < 0 ? answer.Bytes.size() - static_cast<std::size_t>(-index) : static_cast<std::size_t>(index);
    answer.Bytes.at(at) ^= 0x01;
    return answer;
  };
}
