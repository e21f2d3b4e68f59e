#pragma once
// DG1: the machine-readable zone, taken out of the data group and cut into
// the seven fields the window shows.

#include <string>
#include <string_view>

#include "card/MemoryStream.h"
#include "document/ShortString.h"

// The fields cut from the MRZ; 8-bit (Windows-1254) text.
struct tDG1File {
  TShortString<2> DocumentCode;
  TShortString<3> IssuingState;
  TShortString<39> Surname;
  TShortString<39> GivenNames;
  TShortString<9> DocumentNumber;
  TShortString<1> Sex;
  TShortString<14> OptionalData;  // the personal number
  TShortString<6> DateOfExpiry;   // YYMMDD
};

// The MRZ of the DG1 object at the start of the stream (61 L 5F1F N mrz...,
// one-byte lengths). Empty when the tags differ. Raises EReadError when the
// stream ends before a byte it reads.
void ExtractMrz(TMemoryStream& stream, std::string& mrz);

// Cuts the MRZ at the positions of its layout: a three-line e-ID card (90
// characters, TD1), a two-line TD2 document (72), and otherwise the passport
// layout (TD3), whatever the length.
tDG1File CutMrz(std::string_view mrz);
