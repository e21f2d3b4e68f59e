#pragma once
// Short command and response APDUs of ISO/IEC 7816-4 as values.

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

struct TCommandApdu {
  std::uint8_t Cla = 0;
  std::uint8_t Ins = 0;
  std::uint8_t P1 = 0;
  std::uint8_t P2 = 0;
  TApduBytes Data;                // at most 255 bytes
  std::optional<std::size_t> Le;  // 1..256 (256 is written 00); absent when the command has no Le

  // The short APDU: header, Lc and data when there is data, Le when there is one.
  TApduBytes Encode() const;
  bool operator==(const TCommandApdu&) const = default;
};

// Splits a short APDU (cases 1 to 4); empty when its lengths do not add up.
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
