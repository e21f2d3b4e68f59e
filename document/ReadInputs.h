#pragma once
// What the operator gives one reading: the document number and the two dates
// printed on the document, whether the face picture is wanted, and how to
// ask for the card access number (CAN) when the chip needs it.

#include <functional>
#include <optional>
#include <string>

#include "crypto/SecretBuffer.h"

struct TCalendarDate {
  int Year = 0;
  int Month = 0;
  int Day = 0;
};

struct TReadInputs {
  std::string DocumentNumber;  // 8-bit text as typed
  TCalendarDate DateOfBirth;
  TCalendarDate DateOfExpiry;
  bool PictureWanted = true;
  // Asks the operator for the CAN (its six digits as characters), nothing
  // when they cancel; asked only during the reading that needs it, and never
  // kept. None: the CAN is never asked for.
  std::function<std::optional<TSecretBuffer>()> AskCan;
};
