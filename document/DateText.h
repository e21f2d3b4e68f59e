#pragma once
// Dates of the chip's data groups as the window shows them: in the
// platform's short date format, like the date of birth.

#include <string>
#include <string_view>

#include "document/ReadInputs.h"

// The date in the platform's short format; empty for a date that does not exist.
std::string ShortDateText(const TCalendarDate& date);

// The century of a YYMMDD date of expiry: that of the date the operator
// typed when its six digits are the same (a document that expired in 1994
// stays 1994); otherwise 20YY, or 19YY when 20YY lies more than 50 years
// after `thisYear`.
int ExpiryYear(int yy, const TCalendarDate& typed, int thisYear);

// A YYMMDD date of expiry (its year as ExpiryYear gives it, this year the
// system's) or a YYYYMMDD date in the short format; the text as it is when
// it is not such a date.
std::string ExpiryDateText(std::string_view yymmdd, const TCalendarDate& typed = {});
std::string FullDateText(std::string_view yyyymmdd);
