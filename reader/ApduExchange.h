#pragma once
// The program's only road to the card: one PC/SC context for the run, the
// chosen reader, the card connection, and the process-wide command and
// response buffers that every card command passes through.

#include "reader/PcscApi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kApduBufferSize = 257;
inline constexpr std::uint32_t kReaderNamesCapacity = 256;
using TApduBuffer = std::array<std::uint8_t, kApduBufferSize>;

extern TScardContext hContext;
extern TScardHandle hCard;
extern std::uint32_t ActiveProtocol;
extern std::int32_t LastResult;

extern TApduBuffer SendBuf;
extern std::uint32_t SendLen;
extern TApduBuffer RecvBuf;
extern std::uint32_t RecvLen;

extern std::array<std::uint8_t, kApduBufferSize> ReaderNamesBuf;
extern std::uint32_t ReaderNamesLen;

// Name of the chosen reader as 8-bit text; empty until discovery finds one.
extern std::string ReaderName;

// Establishes the context, lists the readers and chooses the first whose name
// contains "ACR122". Silent: failures leave ReaderName empty.
void DiscoverReader();
// Powers the card down through the old handle, then connects anew (shared,
// T=0 or T=1). Returns the PC/SC result (0 = connected).
std::int32_t ConnectCard();
// Powers the card down.
void DisconnectCard();
// Zeroes all 257 bytes of SendBuf and RecvBuf; the lengths keep their values.
void ClearApduBuffers();
// Sends SendBuf[0..SendLen) and receives into RecvBuf with RecvLen as the
// capacity granted. Returns the PC/SC result and stores it in LastResult.
std::int32_t TransmitApdu();

// Puts every piece of link state back to its start values (handles, buffers,
// lengths, reader name). For program start and tests.
void ResetReaderLink();
