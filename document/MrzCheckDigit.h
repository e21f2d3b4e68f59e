#pragma once
// The ICAO 9303 check digit of an MRZ field: weights 7, 3, 1 repeated;
// digits count their value, A to Z 10 to 35, the filler '<' (and anything
// else) 0.

#include <string_view>

// The check digit of a field of 8-bit characters: '0'..'9'.
char MrzCheckDigit(std::string_view field);
