#pragma once
// The MRZ information of Basic Access Control: document number, date of birth
// and date of expiry, each followed by its ICAO 9303 check digit.

#include <string>
#include <string_view>

#include "document/MrzCheckDigit.h"
#include "document/ReadInputs.h"

// Document number (as given, 8-bit text), its check digit, the date of birth
// as YYMMDD, its check digit, the date of expiry as YYMMDD, its check digit.
std::string BuildMrzInformation(std::string_view documentNumber, const TCalendarDate& dateOfBirth,
                                const TCalendarDate& dateOfExpiry);
