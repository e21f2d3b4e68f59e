#pragma once
// Records how the reading of a file ended in the document.

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "document/FileRead.h"

// Why a file did not come, from the session's last exchange: the link went,
// the chip said it has no such file, or it refused.
TFileState WhyNotRead(const TCardSession& card);

// The file's record after a read that ended as read did: the whole file, the
// part that came, or why none came.
TFileRead FileReadOf(TDataGroupRead read, const TMemoryStream& stream, const TCardSession& card);
