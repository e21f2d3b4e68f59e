#pragma once
// The holder's full name as DG11 keeps it (primary and secondary identifiers
// with ICAO fillers), split for the window.

#include <string>
#include <string_view>

struct TNameParts {
  std::string Primary;    // surname
  std::string Secondary;  // given names
};

// Splits at the first "<<"; the fillers inside each part become blanks, and
// blanks leave both ends. Without "<<" the whole name is the primary identifier.
TNameParts SplitFullName(std::string_view fullName);
