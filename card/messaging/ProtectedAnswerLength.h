#pragma once
// How long an answer under secure messaging is (ICAO 9303-11 §9.8): the data
// padded to the cipher's block (ISO/IEC 9797-1 method 2, always at least one
// byte), in DO'87' with its padding indicator, then DO'99' (4 bytes) and
// DO'8E' (10 bytes). The status word is not counted.

#include <cstddef>

// The answer length for dataLength bytes of data (none: DO'99' and DO'8E' only).
std::size_t ProtectedAnswerLength(std::size_t dataLength, std::size_t blockSize);
