#include "card/LengthLimits.h"

#include <algorithm>

bool TLengthLimits::Carries(std::size_t commandData, std::size_t answerData) const {
  if (commandData <= kShortMaxCommandData && answerData <= kShortMaxAnswerData) return true;
  if (!Extended()) return false;
  return commandData <= std::min<std::size_t>(ReaderMaxData, ChipMaxCommandData) &&
         answerData <= std::min<std::size_t>(ReaderMaxData, ChipMaxAnswerData);
}

std::string TLengthLimits::ShortOnly() const {
  if (!ReaderExtended()) return "the reader has short APDUs only";
  if (!ChipExtended()) return "the chip has short APDUs only";
  return {};
}

TLengthLimits ChipWithExtendedLength(TLengthLimits limits) {
  limits.ChipMaxCommandData = kExtendedMaxCommandData;
  limits.ChipMaxAnswerData = kExtendedMaxAnswerData;
  return limits;
}
