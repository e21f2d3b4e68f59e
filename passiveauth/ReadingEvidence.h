#pragma once
// What one reading of a chip produced, as Passive Authentication needs it:
// EF.SOD as the chip sent it, every data group read in this reading kept
// whole (tag, length, value), the issuing state of DG1 and the time of
// reading (the certificates must be valid then).

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class TSodPresence {
  Read,        // Sod holds the whole file, 0x77 wrapper included
  Absent,      // the chip answered that it has no EF.SOD
  CutOff,      // the reading stopped part way (the card left); Sod holds what came
  Unreadable,  // the reading stopped before any of it came (the card left, or the chip refused it)
};

struct TReadingEvidence {
  TSodPresence SodPresence = TSodPresence::Absent;
  std::vector<std::uint8_t> Sod;
  std::map<int, std::vector<std::uint8_t>> DataGroups;  // data group number -> bytes as read
  std::string IssuingState;                             // DG1's three letters, '<' fillers allowed
  std::chrono::system_clock::time_point ReadAt = std::chrono::system_clock::now();
};
