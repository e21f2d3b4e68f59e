#include "card/CardExchange.h"

#include <algorithm>

std::int32_t ExchangeApdu(const TCommandApdu& command, TClearBuffers clear) {
  TReaderLink& link = ReaderLink();
  if (clear == TClearBuffers::Yes) link.ClearApduBuffers();
  const TApduBytes bytes = command.Encode();
  const std::size_t length = std::min(bytes.size(), link.SendBuf.size());
  std::copy_n(bytes.begin(), length, link.SendBuf.begin());
  link.SendLen = static_cast<std::uint32_t>(length);
  link.RecvLen = kResponseCapacity;
  return link.TransmitApdu();
}

std::span<const std::uint8_t> ResponseBytes() { return ReaderLink().Response(); }
