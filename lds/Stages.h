#pragma once
// The decoding stages of the read command, in the order it runs them. Each
// writes its own log lines (kind lkProtocol) and edits through PiccView();
// EReadError and EJpeg2000Error reach the caller. A data group whose reading
// stopped part way is never decoded: its stage goes on as if it were missing.

#include "access/FileReading.h"
#include "access/MemoryStream.h"
#include "access/ReadInputs.h"
#include "access/SecureChannel.h"

class TJpeg2000Bitmap;
class TShownFace;

// Logs the LDS version, the Unicode version and the data groups present.
void RunEFComStage(const TEFComBuffer& efCom);

// Reads DG1, logs the MRZ, fills the seven MRZ edits and appends the document
// number as a plain line.
void RunDG1Stage(TMemoryStream& stream, TSecureChannel& channel);

// Reads DG11, fills place of birth, address, the date of birth given and
// profession, and logs the eight DG11 values.
void RunDG11Stage(TMemoryStream& stream, TSecureChannel& channel, const TCalendarDate& dateOfBirth);

// When the picture is wanted: reads DG2, decodes the face and shows it. With
// no new face, shows the last face shown again (the bitmap's picture, or an
// empty one at first).
void RunPictureStage(TMemoryStream& stream, TSecureChannel& channel, bool pictureWanted, TJpeg2000Bitmap& bitmap,
                     TShownFace& shown);
