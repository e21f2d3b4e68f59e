#pragma once
// Status words (SW1 SW2) of ISO/IEC 7816-4 that the program and its chips use.

#include <cstdint>

enum TStatusWord : std::uint16_t {
  kSwSuccess = 0x9000,
  kSwEndOfFileWarning = 0x6282,  // fewer bytes than asked for: the file ends
  kSwAuthenticationFailed = 0x6300,
  kSwWrongLength = 0x6700,
  kSwSecurityNotSatisfied = 0x6982,
  kSwConditionsNotSatisfied = 0x6985,
  kSwNoCurrentFile = 0x6986,
  kSwSmObjectsMissing = 0x6987,
  kSwSmObjectsIncorrect = 0x6988,
  kSwWrongData = 0x6A80,
  kSwFileNotFound = 0x6A82,
  kSwIncorrectP1P2 = 0x6A86,
  kSwReferenceNotFound = 0x6A88,  // referenced data (a key, a password) not found
  kSwWrongParameters = 0x6B00,    // offset outside the file
  kSwInsNotSupported = 0x6D00,
  kSwClaNotSupported = 0x6E00,
  kSwNoStatus = 0xFFFF,  // an answer shorter than two bytes
};
