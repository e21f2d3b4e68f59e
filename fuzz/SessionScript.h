#pragma once
// The chip's answers, read from fuzz input. The first byte chooses the chip:
// even, BAC only (the records answer the commands after BAC); odd, a chip
// that offers PACE (the records answer every command from the first SELECT
// of EF.CardAccess on: plain before PACE is established, wrapped by OpenPACE
// under its session afterwards). Then one record per command:
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

#include "fuzz/ReadSession.h"
#include "tools/hostilechip/ScriptedChipReader.h"

class TSessionScript {
public:
  explicit TSessionScript(std::span<const std::uint8_t> input) : input_(input) {}

  // The chip the whole input (its first byte) chooses.
  static TSessionAccess Access(std::span<const std::uint8_t> input);
  // The first byte of an input for the chip.
  static std::uint8_t AccessByte(TSessionAccess access) { return access == TSessionAccess::Pace ? 1 : 0; }

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
