#pragma once
// The document's verdict from its three checks: Passive Authentication (the
// data was signed by the issuing state), and Chip and Active Authentication
// (the chip holds a private key that cannot be copied).
//
// A chip check's own outcome is final only once EF.SOD has vouched for the
// key it used: a Chip Authentication whose DG14, or an Active
// Authentication whose DG15, does not match EF.SOD is FAILED.
//
// Genuine only when Passive Authentication PASSED and, where the chip
// supports Chip or Active Authentication, one of them PASSED. Not genuine
// when any check FAILED. Incomplete otherwise (nothing contradicts, but
// something is missing).

#include <string>
#include <vector>

#include "document/ChipCheck.h"
#include "document/Document.h"
#include "document/PassiveAuthResult.h"
#include "output/PiccView.h"

struct TDocumentVerdict {
  std::vector<TPaLine> ChipLines;  // "Chip authentication: ..." then "Active authentication: ..."
  TVerdictShown Shown = TVerdictShown::None;
  std::string Details;  // every check line, for the verdict panel's tooltip
};

TDocumentVerdict DecideDocumentVerdict(const TPaResult& passive, const TChipCheck& chipAuthentication,
                                       const TChipCheck& activeAuthentication);

// The verdict of the document's checks (Passive Authentication not run counts
// as incomplete). A key data group that EF.SOD lists and the chip said it has
// not fails its check: a copy that leaves DG14 or DG15 out must not pass for
// a chip without them.
TDocumentVerdict DecideDocumentVerdict(const TDocument& document);
