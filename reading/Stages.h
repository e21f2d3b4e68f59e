#pragma once
// The decoding stages of the read command, in the order it runs them. Each
// writes its own log lines (kind lkProtocol) and edits through PiccView();
// EReadError and EJpeg2000Error reach the caller. A data group whose reading
// stopped part way is never decoded: its stage goes on as if it were missing.
// Each reading stage tells how its data group read ended, so that the read
// command can keep the whole ones (the stream holds them from position 0).

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "document/EFCom.h"
#include "document/ReadInputs.h"
#include "reading/OpenDocument.h"

class TJpeg2000Bitmap;
class TShownFace;

// Logs the LDS version, the Unicode version and the data groups present,
// and returns EF.COM decoded.
tEFComFile RunEFComStage(const TEFComBuffer& efCom);

// Reads DG1, logs the MRZ, tells the view which document it is, fills the
// seven MRZ edits and the date of expiry, and appends the document number as
// a plain line.
// typedExpiry: the date of expiry the operator gave, whose century the box takes.
TDataGroupRead RunDG1Stage(TMemoryStream& stream, TCardSession& session, const TCalendarDate& typedExpiry = {});

// Reads DG11, fills place of birth, address, the date of birth given,
// profession, title and the full name in the holder's own letters, and logs
// the eight DG11 values.
TDataGroupRead RunDG11Stage(TMemoryStream& stream, TCardSession& session, const TCalendarDate& dateOfBirth);

// Reads DG12, fills the issuing authority and the date of issue, and logs
// each value present. The read command runs it when EF.COM lists DG12.
TDataGroupRead RunDG12Stage(TMemoryStream& stream, TCardSession& session);

// When the picture is wanted: reads DG2, decodes the face and shows it. With
// no new face, shows the last face shown again (the bitmap's picture, or an
// empty one at first).
TDataGroupRead RunPictureStage(TMemoryStream& stream, TCardSession& session, bool pictureWanted,
                               TJpeg2000Bitmap& bitmap, TShownFace& shown);
