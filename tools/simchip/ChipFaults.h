#pragma once
// Faults a test can make the chip (or the link to it) commit: spoilt answers,
// chosen status words, lost transmissions and a card taken out of the field.
//
// A fault fires on the n-th command the chip receives after the fault was
// added (At = n, counting from 1), or on every one (At = 0); ForIns limits the
// counting to commands with one instruction byte (secure messaging keeps the
// INS in plain, so a protected READ BINARY counts as 0xB0).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/simchip/Bytes.h"

namespace simchip {

enum class EFaultKind {
  // The command is carried out; then its answer is spoilt:
  WrongMac,   // the last byte of the answer's MAC (bytes n-10..n-3) is flipped
  Truncated,  // the data before the status word is cut to Length bytes
  Overlong,   // Length extra bytes are put before the status word
  // The command is not carried out:
  StatusWord,     // the answer is the status word alone
  Answer,         // the answer is the given bytes
  TransmitError,  // no answer: the reader returns the PC/SC error code
  CardRemoved,    // no answer: the card leaves the field for good
};

struct TFault {
  EFaultKind Kind = EFaultKind::WrongMac;
  std::size_t At = 1;
  std::optional<std::uint8_t> Ins;
  std::size_t Length = 0;
  std::uint16_t Status = 0;
  TBytes Bytes;
  std::uint32_t PcscError = 0;

  static TFault WrongMac(std::size_t at);
  static TFault Truncated(std::size_t at, std::size_t keptDataBytes);
  static TFault Overlong(std::size_t at, std::size_t extraBytes);
  static TFault StatusWord(std::size_t at, std::uint16_t status);
  static TFault Answer(std::size_t at, TBytes answer);
  static TFault TransmitError(std::size_t at, std::uint32_t pcscError);
  static TFault CardRemoved(std::size_t at);

  // The same fault, counting only commands with this instruction byte.
  TFault ForIns(std::uint8_t ins) const;
  // Whether the command is left undone.
  bool ReplacesCommand() const;
};

// The faults in force and how many matching commands each has seen.
class TFaultSchedule {
public:
  void Add(const TFault& fault) { entries_.push_back({fault, 0}); }
  void Clear() { entries_.clear(); }
  // Counts the command and returns the faults that fire on it, in the order
  // they were added.
  std::vector<TFault> Fire(std::uint8_t ins);

private:
  struct TEntry {
    TFault Fault;
    std::size_t Seen = 0;
  };
  std::vector<TEntry> entries_;
};

// Applies a fault of the spoiling kinds to an answer.
void Spoil(const TFault& fault, TBytes& answer);

}  // namespace simchip
