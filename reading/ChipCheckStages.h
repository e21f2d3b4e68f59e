#pragma once
// The read command's chip checks: Chip Authentication right after DG14 (before
// the other data groups, so that they come under the keys the chip has
// proved), and Active Authentication after DG15. Their verdict lines are
// written with Passive Authentication's, once EF.SOD has vouched for DG14
// and DG15 (see DocumentVerdict.h); a Chip Authentication that fails ends
// the reading at once.

#include <optional>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "document/DG14.h"
#include "reading/DocumentVerdict.h"

struct TChipAuthenticationStage {
  TDataGroupRead Dg14Read = TDataGroupRead::NotRead;
  bool Dg14Absent = false;    // the chip answered that it has no DG14
  std::optional<TDG14> Dg14;  // as parsed, for Active Authentication's hash
  TChipCheck Check;
};

// Reads DG14 when listed and runs the Chip Authentication it offers: each of
// its options in turn until one can be run here (a key the program cannot
// use is passed over without a command); none: not possible, with why.
// When it passes, the session reads under the new keys.
// When it fails, the failure is logged (red), the window keeps no data of an
// earlier document, the verdict shows it, and the reading must end.
TChipAuthenticationStage RunChipAuthenticationStage(bool listed, TMemoryStream& stream, TCardSession& session);

struct TActiveAuthenticationStage {
  TDataGroupRead Dg15Read = TDataGroupRead::NotRead;
  bool Dg15Absent = false;  // the chip answered that it has no DG15
  TChipCheck Check;
};

// Reads DG15 when listed and runs Active Authentication with its key
// (the ECDSA hash named by DG14's ActiveAuthenticationInfo).
TActiveAuthenticationStage RunActiveAuthenticationStage(bool listed, TMemoryStream& stream, TCardSession& session,
                                                        const std::optional<TDG14>& dg14);

// A key file that EF.SOD lists and the chip says it does not have fails its
// check: a copy that leaves DG14 or DG15 out must not pass for a chip
// without them.
TChipCheck AbsentKeyFile(const TChipCheck& check, bool absent, bool listedInSod, int number);

// Whether the last exchange reached the chip and it answered "file not found":
// a file the chip says it has not, told apart from a card taken away.
bool ChipSaidFileNotFound(const TCardSession& session);
