#pragma once
// The document's verdict from its three checks: Passive Authentication (the
// data was signed by the issuing state), and Chip and Active Authentication
// (the chip holds a private key that cannot be copied).
//
// A chip check's own outcome is final only once EF.SOD has vouched for the
// key it used: a Chip Authentication whose DG14, or an Active
// Authentication whose DG15, does not match EF.SOD is FAILED.
//
// Chip Authentication through PACE-CAM proves the key of EF.CardSecurity:
// its own outcome is final once EF.CardSecurity verified.
//
// Genuine only when Passive Authentication PASSED (and EF.CardSecurity, when
// read) and, where the chip supports Chip or Active Authentication, one of
// them PASSED. Not genuine when any check FAILED, EF.CardSecurity included,
// or when EF.CardAccess offered a PACEInfo the signed SecurityInfos do not
// hold. Incomplete otherwise (nothing contradicts, but something is missing).

#include <optional>
#include <string>
#include <vector>

#include "document/CardSecurityCheck.h"
#include "document/ChipCheck.h"
#include "document/Document.h"
#include "document/PassiveAuthResult.h"
#include "output/PiccView.h"

// What the chip's signed SecurityInfos add: EF.CardSecurity's check (after
// PACE-CAM) and whether they confirm EF.CardAccess (CardAccessConfirmation.h).
struct TSecurityInfoChecks {
  const TCardSecurityCheck* CardSecurity = nullptr;  // none: not read
  std::optional<bool> CardAccessConfirmed;           // none: nothing to compare
  bool ChipAuthenticationByCam = false;              // Chip Authentication is PACE-CAM's, its key EF.CardSecurity's
};

struct TDocumentVerdict {
  // "EF.CardAccess: ..." (when there was something to compare it with), then
  // "Chip authentication: ..." and "Active authentication: ...".
  std::vector<TPaLine> ChipLines;
  TVerdictShown Shown = TVerdictShown::None;
  std::string Details;  // every check line, for the verdict panel's tooltip
};

TDocumentVerdict DecideDocumentVerdict(const TPaResult& passive, const TChipCheck& chipAuthentication,
                                       const TChipCheck& activeAuthentication, const TSecurityInfoChecks& infos = {});

// The verdict of the document's checks (Passive Authentication not run counts
// as incomplete). A key data group that EF.SOD lists and the chip said it has
// not fails its check: a copy that leaves DG14 or DG15 out must not pass for
// a chip without them.
TDocumentVerdict DecideDocumentVerdict(const TDocument& document);
