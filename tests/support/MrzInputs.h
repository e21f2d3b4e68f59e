#pragma once
// The read command's inputs for an MRZ information string (document number,
// date of birth and date of expiry with their check digits, 24 characters or
// more), as an operator would type them.

#include <string_view>

#include "document/ReadInputs.h"

// Two-digit years from 70 on are taken as 19YY, the others as 20YY.
TReadInputs InputsFromMrzInformation(std::string_view mrzInformation, bool pictureWanted = true);
