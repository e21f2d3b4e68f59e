#pragma once
// Command and response APDUs of ISO/IEC 7816-4 as values, short or extended.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "reader/StatusWord.h"

using TApduBytes = std::vector<std::uint8_t>;

// Instructions of the eMRTD dialogue.
enum TInstruction : std::uint8_t {
  kInsSelect = 0xA4,
  kInsReadBinary = 0xB0,
  kInsGetChallenge = 0x84,
  kInsExternalAuthenticate = 0x82,
  kInsInternalAuthenticate = 0x88,
};

// The most data and the longest Le of each form (Le 256 is written 00, an
// extended Le of 65536 is written 00 00).
inline constexpr std::size_t kShortMaxCommandData = 255;
inline constexpr std::size_t kShortMaxAnswerData = 256;
inline constexpr std::size_t kExtendedMaxCommandData = 65535;
inline constexpr std::size_t kExtendedMaxAnswerData = 65536;

struct TCommandApdu {
  std::uint8_t Cla = 0;
  std::uint8_t Ins = 0;
  std::uint8_t P1 = 0;
  std::uint8_t P2 = 0;
  TApduBytes Data;                // at most 255 bytes short, 65535 extended
  std::optional<std::size_t> Le;  // 1..256 short, 1..65536 extended; absent when the command has no Le
  // Written with extended length fields even where short ones would do. A
  // command with more than 255 data bytes or an Le above 256 is extended anyway.
  bool ExtendedLength = false;

  // Whether the command goes with extended length fields.
  bool Extended() const { return ExtendedLength || Data.size() > kShortMaxCommandData || Le.value_or(0) > 256; }
  // The APDU: header, Lc and data when there is data, Le when there is one;
  // Lc 00 LL LL and Le LL LL (00 LL LL without data) when extended.
  TApduBytes Encode() const;
  bool operator==(const TCommandApdu&) const = default;
};

// Splits an APDU, short or extended (cases 1 to 4, 2E to 4E); empty when its
// lengths do not add up. An extended one comes back with ExtendedLength set.
std::optional<TCommandApdu> ParseCommand(std::span<const std::uint8_t> bytes);

struct TResponseApdu {
  TApduBytes Data;
  std::uint16_t Status = kSwNoStatus;

  // Data followed by SW1 SW2.
  TApduBytes Encode() const;
};

// SW1 SW2 (the last two bytes) as a 16-bit number; kSwNoStatus for fewer than 2 bytes.
std::uint16_t GetStatusWord(std::span<const std::uint8_t> response);
// The answer split into data and status word; an answer shorter than two bytes has no data.
TResponseApdu ParseResponse(std::span<const std::uint8_t> response);
