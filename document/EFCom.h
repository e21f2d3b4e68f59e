#pragma once
// EF.COM, the common file of the logical data structure: LDS version, Unicode
// version and the data groups present.

#include <cstddef>
#include <cstdint>
#include <span>

#include "document/ShortString.h"

inline constexpr std::size_t kEFComBufferSize = 256;

struct tEFComFile {
  TShortString<10> LDSVersion;      // "01.07" and five blanks, or ten blanks
  TShortString<10> UnicodeVersion;  // "04.00.00" and two blanks, or ten blanks
  TShortString<100> DataGroups;     // "DG1,DG2,DG11"; empty when none are listed
};

// Fills efCom from the EF.COM buffer (one-byte length layout: 60 L 5F01 04
// vvvv 5F36 06 uuuuuu 5C n tags...). The versions always start as ten blanks;
// DataGroups is left alone when byte 0 is not 0x60.
void DecodeEFCom(std::span<const std::uint8_t, kEFComBufferSize> buffer, tEFComFile& efCom);

// Whether EF.COM lists data group `number`.
bool ListsDataGroup(const tEFComFile& efCom, int number);
