#pragma once
// The program's single-byte code page for 8-bit texts (MRZ, reader names, the
// short DG11 fields): Windows-1254, the Turkish code page of the documents
// this program reads.

#include <string>
#include <string_view>

// 8-bit Windows-1254 text to UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 text to Windows-1254; characters the code page lacks become '?'.
// Malformed UTF-8 sequences count as U+FFFD (and so also become '?').
std::string Utf8ToAnsi(std::string_view utf8);
// Decodes UTF-8 and encodes it again, malformed sequences becoming U+FFFD.
std::string SanitizeUtf8(std::string_view utf8);
