#include "passiveauth/DocumentEvidence.h"

#include <algorithm>
#include <array>

namespace {

struct TSodStateRow {
  TFileState State;
  TSodPresence Presence;
};

// A reading that stopped before any of EF.SOD came counts as absent only
// when the chip itself said it has no such file.
constexpr std::array kSodPresence{
    TSodStateRow{TFileState::NotAsked, TSodPresence::Absent},
    TSodStateRow{TFileState::Read, TSodPresence::Read},
    TSodStateRow{TFileState::Absent, TSodPresence::Absent},
    TSodStateRow{TFileState::Refused, TSodPresence::Unreadable},
    TSodStateRow{TFileState::LinkLost, TSodPresence::Unreadable},
    TSodStateRow{TFileState::CutOff, TSodPresence::CutOff},
};

TSodPresence SodPresenceOf(TFileState state) {
  return std::ranges::find_if(kSodPresence, [state](const TSodStateRow& row) { return row.State == state; })->Presence;
}

}  // namespace

TReadingEvidence EvidenceOf(const TDocument& document) {
  TReadingEvidence evidence;
  evidence.SodPresence = SodPresenceOf(document.Sod.State);
  evidence.Sod = document.Sod.Bytes;
  for (const auto& [number, file] : document.DataGroups)
    if (file.State == TFileState::Read) evidence.DataGroups[number] = file.Bytes;
  evidence.IssuingState = document.IssuingState();
  evidence.ReadAt = document.ReadAt;
  return evidence;
}
