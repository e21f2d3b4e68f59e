#pragma once
// Dates of the chip's data groups as the window shows them: in the
// platform's short date format, like the date of birth.

#include <string>
#include <string_view>

#include "document/ReadInputs.h"

// The date in the platform's short format; empty for a date that does not exist.
std::string ShortDateText(const TCalendarDate& date);

// A YYMMDD date of expiry (20YY) or a YYYYMMDD date in the short format; the
// text as it is when it is not such a date.
std::string ExpiryDateText(std::string_view yymmdd);
std::string FullDateText(std::string_view yyyymmdd);
