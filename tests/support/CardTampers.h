#pragma once
// Changes to one answer of a scripted card (TScriptedCard::Tamper).

#include <cstdint>

#include "support/ScriptedCard.h"

// The card gone from the reader instead of the answer.
TAnswer ConnectionLost(TAnswer);
// A PC/SC error instead of the answer.
TScriptedCard::TTamper PcscError(std::int32_t result);
// Replaces the answer by a bare status word.
TScriptedCard::TTamper StatusOnly(std::uint16_t status);
// Flips one bit of the byte at index (counted from the end when negative).
TScriptedCard::TTamper FlipByte(int index);
