#pragma once
// The chip's answers after Basic Access Control, read from fuzz input, one
// record per command:
//
//   kind  0  data with 9000:          n, n plaintext bytes
//         1  data with a status word: SW1 SW2, n, n plaintext bytes
//         2  protected status word:   SW1 SW2
//         3  bare status word:        SW1 SW2
//         4  raw answer:              n, n bytes as they are
//         5  data, MAC spoilt:        n, n plaintext bytes
//         6  the chip's own answer
//         7  no answer:               one byte choosing the PC/SC failure
//
// The kind is the record's first byte modulo 8; missing bytes count as zero.
// When the input is used up the card is taken away, so every session ends.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tools/hostilechip/ScriptedChipReader.h"

class TSessionScript {
public:
  explicit TSessionScript(std::span<const std::uint8_t> input) : input_(input) {}

  // The answer to the next command; nothing for the chip's own.
  std::optional<hostile::TScriptedAnswer> Next();

  // Writes one record (the corpus generator's side of the format).
  static void AppendData(std::span<const std::uint8_t> plaintext, std::uint16_t status, simchip::TBytes& to);
  static void AppendProtectedStatus(std::uint16_t status, simchip::TBytes& to);
  static void AppendBareStatus(std::uint16_t status, simchip::TBytes& to);

private:
  std::uint8_t Byte();
  std::uint16_t Status();
  simchip::TBytes Bytes();

  std::span<const std::uint8_t> input_;
  std::size_t position_ = 0;
};
