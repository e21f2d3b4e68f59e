#pragma once
// The one place that maps the document onto the window: each file's decoded
// form onto its result boxes and log lines right after it is decoded, the
// face, the check lines and the verdict. The read sequence calls each part
// at the moment the reading reaches it, so that the window fills as the
// chip is read.

#include "document/Document.h"
#include "document/ReadInputs.h"
#include "output/PiccView.h"

class TJpeg2000Bitmap;
class TShownFace;

// Logs the LDS version, the Unicode version and the data groups present.
void ShowEfCom(const tEFComFile& list, TPiccView& view);

// Logs the MRZ, tells the view which document it is, fills the seven MRZ
// boxes and the date of expiry, and appends the document number as a plain line.
// typedExpiry: the date of expiry the operator gave, whose century the box takes.
void ShowDg1(const TDocument& document, const TCalendarDate& typedExpiry, TPiccView& view);

// Fills place of birth, address, the date of birth typed, profession, title
// and the full name in the holder's own letters (empty boxes without a
// decoded DG11), then logs the eight DG11 values.
void ShowDg11(const TDocument& document, const TCalendarDate& dateOfBirth, TPiccView& view);

// Fills the issuing authority and the date of issue (emptied without a
// decoded DG12), then logs each value present.
void ShowDg12(const TDocument& document, TPiccView& view);

// Shows the face of DG2; with no new face, the last face shown again (the
// bitmap's picture, or an empty one at first).
void ShowFace(const TDocument& document, const TJpeg2000Bitmap& bitmap, TShownFace& shown, TPiccView& view);

// A chip that cannot prove its key is read no further, and nothing of an
// earlier document may stand beside its verdict: the red line, every box
// emptied, the verdict.
void ShowFailedChipAuthentication(const TChipCheck& check, TPiccView& view);
// EF.CardSecurity's line, as its check came.
void ShowCardSecurity(const TCardSecurityCheck& check, TPiccView& view);

// Passive Authentication's lines (failures red, PASSED green, the rest navy).
void ShowPassiveAuthentication(const TPaResult& result, TPiccView& view);

// Marks the boxes of each data group read whole (and the face of DG2) by
// how far EF.SOD vouches for them: red with its hash line when the data group
// contradicts its hash, amber with why when EF.SOD could not vouch for it.
void ShowFieldTrust(const TDocument& document, TPiccView& view);

// Logs the Chip and Active Authentication lines and shows the document's
// verdict with every check line behind it.
TVerdictShown ShowDocumentVerdict(const TDocument& document, TPiccView& view);
