#pragma once
// Whether commands and answers longer than short APDUs can go to and come
// from the chip: extended length only where both the reader (PC/SC part 10,
// dwMaxAPDUDataSize) and the chip (its ATR's card capabilities, or EF.ATR/INFO)
// have it. Protocols ask the card session before they build a long command or
// ask for a long answer.

#include <cstddef>
#include <cstdint>
#include <string>

#include "reader/Apdu.h"

struct TLengthLimits {
  // The reader's most data in one APDU: 0 (or up to 256) for short APDUs only.
  std::uint32_t ReaderMaxData = 0;
  // The chip's most command and answer data; short APDUs only at 255 and 256.
  std::size_t ChipMaxCommandData = kShortMaxCommandData;
  std::size_t ChipMaxAnswerData = kShortMaxAnswerData;

  bool ReaderExtended() const { return ReaderMaxData > kShortMaxAnswerData; }
  bool ChipExtended() const {
    return ChipMaxCommandData > kShortMaxCommandData || ChipMaxAnswerData > kShortMaxAnswerData;
  }
  bool Extended() const { return ReaderExtended() && ChipExtended(); }
  // Whether a command of commandData bytes and its answer of answerData bytes
  // can be exchanged: short ones always, longer ones within both sides' limits.
  bool Carries(std::size_t commandData, std::size_t answerData) const;
  // Who lacks extended length, the reader named first when both do: "the
  // reader has short APDUs only", "the chip has short APDUs only"; empty
  // when both have it.
  std::string ShortOnly() const;
};

// The chip's limits when all it says is that it takes extended length fields.
TLengthLimits ChipWithExtendedLength(TLengthLimits limits);
