#pragma once
// Short command APDUs of ISO/IEC 7816-4 and the status words the chip answers.

#include <cstdint>
#include <optional>
#include <span>

#include "tools/simchip/Bytes.h"

namespace simchip {

// Status words the chip uses.
enum : std::uint16_t {
  kSwSuccess = 0x9000,
  kSwEndOfFileWarning = 0x6282,     // fewer bytes than asked for: the file ends
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
  kSwWrongParameters = 0x6B00,      // offset outside the file
  kSwInsNotSupported = 0x6D00,
  kSwClaNotSupported = 0x6E00,
};

// Instructions the chip knows.
enum : std::uint8_t {
  kInsSelect = 0xA4,
  kInsReadBinary = 0xB0,
  kInsGetChallenge = 0x84,
  kInsExternalAuthenticate = 0x82,
};

struct TCommandApdu {
  std::uint8_t Cla = 0;
  std::uint8_t Ins = 0;
  std::uint8_t P1 = 0;
  std::uint8_t P2 = 0;
  TBytes Data;
  std::optional<std::size_t> Le;  // 1..256; absent when the command has no Le
};

// Splits a short APDU (cases 1 to 4); empty when its lengths do not add up.
std::optional<TCommandApdu> ParseCommand(std::span<const std::uint8_t> bytes);

// A response: data followed by SW1 SW2.
TBytes Response(std::span<const std::uint8_t> data, std::uint16_t statusWord);
TBytes StatusOnly(std::uint16_t statusWord);
// The status word of a response (its last two bytes); 0xFFFF when shorter.
std::uint16_t StatusWordOf(std::span<const std::uint8_t> response);

}  // namespace simchip
