#pragma once
// DG11: additional personal details of the holder.

#include <string>

#include "card/MemoryStream.h"
#include "document/ShortString.h"

using TDG11ShortText = TShortString<100>;  // Windows-1254 text, at most 100 bytes

struct tDG11File {
  std::string FullName;  // UTF-8, ICAO fillers kept
  std::string OtherName;
  TDG11ShortText PersonalNumber;
  std::string PlaceOfBirth;
  double DateOfBirth = 0;  // day count; DG11 dates are not decoded
  std::string Address;
  TDG11ShortText Telephone;
  std::string Profession;
  std::string Title;
  std::string PersonalSummary;
  TDG11ShortText ProofOfCitizenship;
  TDG11ShortText NumberOfVTrDocs;
  TDG11ShortText OtherTraDocNums;
  TDG11ShortText CustodyInformation;
};

// Clears dg11, then, when the stream starts with the DG11 tag 0x6B, scans the
// object byte by byte for the known 5F xx field tags and takes the value
// behind each (the first 5C is taken as the tag list and skipped). The scan
// stays within the DG11 object when its length is readable, else runs to the
// stream's end. A value that runs past the end of the object is cut at that
// end: the bytes behind it belong to an earlier, longer data group. Raises
// EReadError when a value runs past the stream's end.
void DecodeDG11(TMemoryStream& stream, tDG11File& dg11);
