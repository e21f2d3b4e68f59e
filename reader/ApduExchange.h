#pragma once
// The program's only road to the card: one PC/SC context for the run, the
// chosen reader, the card connection, and the command and response buffers
// that every card command passes through, all held by one link object.

#include "reader/PcscApi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A short APDU's answer: 256 data bytes and the status word, plus one.
inline constexpr std::size_t kApduBufferSize = 257;
// The link's buffers hold an extended APDU: a command of 4 header bytes, Lc
// (3), 65535 data bytes and Le (2); an answer of 65536 data bytes and SW1 SW2.
inline constexpr std::size_t kLinkBufferSize = 4 + 3 + 65535 + 2;
inline constexpr std::uint32_t kReaderNamesCapacity = 256;
using TApduBuffer = std::array<std::uint8_t, kLinkBufferSize>;

struct TReaderLink {
  TScardContext hContext = 0;
  TScardHandle hCard = 0;
  std::uint32_t ActiveProtocol = 0;
  std::int32_t LastResult = 0;

  TApduBuffer SendBuf{};
  std::uint32_t SendLen = 0;
  TApduBuffer RecvBuf{};
  std::uint32_t RecvLen = 0;

  std::array<std::uint8_t, kReaderNamesCapacity + 1> ReaderNamesBuf{};
  std::uint32_t ReaderNamesLen = 0;

  // Name of the chosen reader as 8-bit text; empty until discovery finds one.
  std::string ReaderName;

  // Establishes the context, lists the readers and chooses the first whose
  // name contains "ACR122"; with none, the first that holds a contactless
  // card; else the first reader. Silent: failures leave ReaderName empty.
  void DiscoverReader();
  // The choice of DiscoverReader among the readers listed now, in the context
  // that stands.
  void ChooseReader();
  // Powers the card down through the old handle, then connects anew (shared,
  // T=0 or T=1). Returns the PC/SC result (0 = connected).
  std::int32_t ConnectCard();
  // Powers the card down.
  void DisconnectCard();
  // Zeroes SendBuf and RecvBuf whole; the lengths keep their values.
  void ClearApduBuffers();
  // Sends SendBuf[0..SendLen) and receives into RecvBuf with RecvLen as the
  // capacity granted. Returns the PC/SC result and stores it in LastResult.
  std::int32_t TransmitApdu();
  // The answer of the last exchange: the first RecvLen bytes of RecvBuf.
  std::span<const std::uint8_t> Response() const;
};

// The process-wide link.
TReaderLink& ReaderLink();
// Puts every piece of link state back to its start values (handles, buffers,
// lengths, reader name). For program start and tests.
void ResetReaderLink();
