#pragma once
// The plain (unprotected) commands of application selection and file access.

#include <cstdint>
#include <optional>

#include "reader/Apdu.h"

// 00 A4 04 0C 07 A0 00 00 02 47 10 01: SELECT of the eMRTD application, 12 bytes.
TCommandApdu BuildSelectApplication();

// 00 A4 02 0C 02 01 nn: SELECT of elementary file 01 nn (number 0 = EF.COM,
// 01 1E), 7 bytes.
TCommandApdu BuildSelectFile(std::uint8_t number);

// 00 B0 P1 P2 Le: READ BINARY of length bytes at offset, 5 bytes; Le 0x00
// stands for 256 (and is also written for 0). Nothing when length is greater
// than 256.
std::optional<TCommandApdu> BuildReadBinary(std::uint16_t offset, std::uint16_t length);

// 00 A4 02 0C 02 hi lo: SELECT of the elementary file with this identifier.
TCommandApdu BuildSelectFileId(std::uint16_t fileId);

// Elementary file identifier of a data group (01 nn), or of EF.COM for number 0 (01 1E).
std::uint8_t FileIdentifierLow(std::uint8_t number);
