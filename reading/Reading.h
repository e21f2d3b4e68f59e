#pragma once
// One reading in progress: what every step of the read sequence works on.
// The card session, the document the steps
// fill, what the operator typed, what the window keeps between readings, and
// the view the steps write their log lines to.

#include <set>
#include "card/MemoryStream.h"

#include "card/CardSession.h"
#include "crypto/MrtdContext.h"
#include "document/Document.h"
#include "document/ReadInputs.h"
#include "output/PiccView.h"
#include "pace/ChipAuthenticationMapping.h"

class TJpeg2000Bitmap;
class TShownFace;
class TTrustStore;

// What the window keeps from one reading to the next.
struct TReadState {
  tMRTD_CTX& Session;
  TJpeg2000Bitmap& Picture;
  TShownFace& ShownFace;
  const TTrustStore& Trust;  // the CSCAs that Passive Authentication trusts
};

struct TReading {
  TReading(const TReadInputs& inputs, const TReadState& kept, TPiccView& view)
      : Inputs(inputs), Kept(kept), View(view), Card(kept.Session) {}

  const TReadInputs& Inputs;
  const TReadState& Kept;
  TPiccView& View;
  // The card session the files are read through: plain, BAC's or PACE's
  // secure messaging, replaced by Chip Authentication's when it passes.
  TCardSession Card;
  TDocument Document;
  // One stream carries each data group in turn. DG14 and DG15 have a stream
  // of their own, so that no step ever finds their bytes in place of a data
  // group it failed to read.
  TMemoryStream Stream;
  TMemoryStream KeyStream;
  // The data groups EF.SOD lists and EF.COM left out: EF.COM is not signed,
  // so they are read once EF.SOD has come.
  std::set<int> OnlyInSod;
  // The chip has no EF.COM: EF.SOD was read first and its list is the reading's.
  bool ListFromSod = false;
  // PACE was established with Chip Authentication Mapping: what the chip sent
  // for the check against EF.CardSecurity's key.
  std::optional<TCamEvidence> Cam;

  // Whether the reading is to read data group number: EF.COM or EF.SOD lists it.
  bool Lists(int number) const { return ListsDataGroup(Document.ComList, number) || OnlyInSod.contains(number); }
};
