#pragma once
// One reading's document: for EF.CardAccess, EF.CardSecurity, EF.COM, each
// data group and EF.SOD how its reading ended and the bytes that came; the decoded forms
// (EF.COM's list, DG1's MRZ, DG11, DG12, DG14 and the face); and the outcome
// of every protocol and check (access control, EF.CardSecurity's signature,
// Chip, Active and Passive Authentication, each data group's hash against EF.SOD).
//
// The reading's steps fill it as they go: the readers record each file, the
// decoders in DocumentDecoding.h the decoded forms, the protocols their
// outcomes. The window's boxes, the face, the log lines and the verdict are
// all taken from it; nothing is decoded twice.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/CardSecurityCheck.h"
#include "document/ChipCheck.h"
#include "document/DG1.h"
#include "document/DG11.h"
#include "document/DG12.h"
#include "document/DG14.h"
#include "document/EFCom.h"
#include "document/FileRead.h"
#include "document/PassiveAuthResult.h"
#include "document/face/FaceImage.h"

// How the reading got access to the chip's files.
enum class TAccessControl {
  NotRun,      // the card could not be reached
  None,        // the chip gave its files without access control
  Bac,         // Basic Access Control ran (whether it succeeded shows in the files read)
  Pace,        // PACE established secure messaging
  PaceFailed,  // PACE went wrong: no BAC follows, no data is taken
};

// A data group's hash against EF.SOD, once Passive Authentication has run.
enum class THashCheck {
  NotChecked,  // not read whole, or Passive Authentication did not get as far
  Matched,
  Mismatched,  // differs from the listed hash (or the hash algorithm is unknown)
  NotListed,   // EF.SOD lists no hash for it
};

struct TDocument {
  std::chrono::system_clock::time_point ReadAt = std::chrono::system_clock::now();

  TAccessControl Access = TAccessControl::NotRun;
  // EF.CardAccess: Read when it lists a PACEInfo (PACE takes them); Absent
  // when the chip has none or it lists no PACEInfo (both lead to BAC alike);
  // LinkLost when the card could not be reached.
  TFileState CardAccess = TFileState::NotAsked;
  std::vector<TPaceInfoEntry> CardAccessPaceInfos;  // the PACEInfos EF.CardAccess offered (unsigned)
  // EF.CardSecurity: read after PACE with Chip Authentication Mapping
  // (NotAsked otherwise), and its check once it came whole.
  TFileRead CardSecurity;
  std::optional<TCardSecurityCheck> CardSecurityCheck;

  TFileRead Com;  // EF.COM, in the 256-byte buffer it is read into
  tEFComFile ComList;
  std::map<int, TFileRead> DataGroups;  // by number; a group missing here was not asked for
  TFileRead Sod;

  // Decoded forms, each present once its data group was decoded.
  std::optional<std::string> Mrz;  // DG1's MRZ, 8-bit (Windows-1254) text
  std::optional<tDG1File> Dg1;
  std::optional<tDG11File> Dg11;
  std::optional<tDG12File> Dg12;
  std::optional<TDG14> Dg14;
  std::optional<TExtractedFace> Face;  // DG2; a JPEG 2000 face is in the reading's bitmap

  TChipCheck ChipAuthentication;
  // Chip Authentication is PACE-CAM's (the key of EF.CardSecurity), not DG14's.
  bool ChipAuthenticationByCam = false;
  TChipCheck ActiveAuthentication;
  std::optional<TPaResult> PassiveAuthentication;

  // How data group number's reading ended (NotAsked when it never was).
  TFileState DataGroupState(int number) const;
  // Data group number read whole.
  bool HasWhole(int number) const { return DataGroupState(number) == TFileState::Read; }
  THashCheck HashCheck(int number) const;
  // DG1's issuing state (three letters, '<' fillers allowed); empty before DG1 is decoded.
  std::string IssuingState() const;
};
