#pragma once
// The plain (unprotected) commands of application selection and file access.

#include <cstddef>
#include <cstdint>
#include <span>

#include "reader/ApduExchange.h"

// 00 A4 04 0C 07 A0 00 00 02 47 10 01: SELECT of the eMRTD application, 12 bytes.
void BuildSelectApplication(TApduBuffer& command, std::uint32_t& commandLength);

// 00 A4 02 0C 02 01 nn: SELECT of elementary file 01 nn (number 0 = EF.COM,
// 01 1E), 7 bytes.
void BuildSelectFile(std::uint8_t number, TApduBuffer& command, std::uint32_t& commandLength);

// 00 B0 P1 P2 Le: READ BINARY of length bytes at offset, 5 bytes; Le 0x00
// stands for 256 (and is also written for 0). Builds nothing (command and
// length stay as they are) when length is greater than 256.
void BuildReadBinary(std::uint16_t offset, std::uint16_t length, TApduBuffer& command,
                     std::uint32_t& commandLength);

// Elementary file identifier of a data group (01 nn), or of EF.COM for number 0 (01 1E).
std::uint8_t FileIdentifierLow(std::uint8_t number);
