#pragma once
// What the operator gives one reading: the document number and the two dates
// printed on the document, and whether the face picture is wanted.

#include <string>

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
};
