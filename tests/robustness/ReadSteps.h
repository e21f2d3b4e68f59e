#pragma once
// The commands of one reading, each named by the step of the program that
// sends it, and the log lines each step writes when it fails.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/simchip/SimulatedChip.h"

enum class TStepKind {
  SelectCardAccess,  // the plain SELECT of EF.CardAccess that opens every reading
  CardAccessRead,    // a plain READ BINARY of EF.CardAccess
  PaceSetAt,         // PACE: MSE:Set AT
  PaceNonce,         // PACE: the four GENERAL AUTHENTICATE steps
  PaceMapping,
  PaceKeyAgreement,
  PaceTokens,
  SecureSelectApplication,  // after PACE
  SelectApplication,
  PlainSelectEfCom,
  GetChallenge,
  ExternalAuthenticate,
  SecureSelectEfCom,
  EfComHeader,
  EfComBody,
  SelectDataGroup,
  DataGroupHeader,
  DataGroupPiece,
  Other,
};

struct TStep {
  TStepKind Kind = TStepKind::Other;
  int DataGroup = 0;         // the data group selected or read; 0 for EF.COM and the rest
  std::uint16_t FileId = 0;  // the file selected or read
  std::size_t Offset = 0;    // of a READ BINARY
  std::size_t Length = 0;    // asked for by a READ BINARY
  bool Protected = false;    // sent under secure messaging
  bool Read() const;         // a READ BINARY of a file
};

// The steps of the commands the chip saw, in order.
std::vector<TStep> StepsOf(const std::vector<simchip::TJournalEntry>& journal);

// The lines a failing step writes. A status word the step rejects gives its
// bad-status line (0x6A82 the file-not-found line where the step has one).
std::optional<std::string> ConnectionErrorLine(const TStep& step);
std::optional<std::string> WrongMacLine(const TStep& step);
std::optional<std::string> RefusedStatusLine(const TStep& step, std::uint16_t status);

// Whether the line is one the read command may log (a plain line aside).
bool IsKnownLogLine(const std::string& line);
