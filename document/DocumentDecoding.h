#pragma once
// The decoders that fill the document's decoded forms, one per file. Each
// decodes the read buffer as the file's reading left it (the stream holds
// the file from position 0; behind it, bytes of an earlier, longer file may
// remain, which the decoders never take for this one) and never a file whose
// reading was cut off part way. EReadError and EJpeg2000Error reach the
// caller, leaving the decoded form unset.

#include "card/MemoryStream.h"
#include "document/Document.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

// EF.COM's list from the bytes recorded for it (as from a buffer of zeros
// when it was not read).
void DecodeComInto(TDocument& document);

// DG1's MRZ and its fields. DG1 cut off part way is not the document's: like
// a DG1 that was not read at all, it raises the stream's read error.
void DecodeDg1Into(TDocument& document, TMemoryStream& stream);

// DG11's details, only from a DG11 read whole.
void DecodeDg11Into(TDocument& document, TMemoryStream& stream);

// DG12's details, only from a DG12 read whole.
void DecodeDg12Into(TDocument& document, const TMemoryStream& stream);

// DG14's SecurityInfos, only from a DG14 read whole (and well formed).
void DecodeDg14Into(TDocument& document);

// The face of DG2 (a JPEG 2000 face into bitmap); a DG2 cut off part way
// gives no face. A DG2 not read at all is looked for in the stream as it
// stands, which then holds an earlier data group: no face.
void DecodeFaceInto(TDocument& document, TMemoryStream& stream, TJpeg2000Bitmap& bitmap);
