#include "access/CardExchange.h"

#include <algorithm>

std::int32_t ExchangeApdu(const TCommandBuilder& build, TClearBuffers clear) {
  if (clear == TClearBuffers::Yes) ClearApduBuffers();
  build(SendBuf, SendLen);
  RecvLen = kResponseCapacity;
  LastResult = TransmitApdu();
  return LastResult;
}

std::span<const std::uint8_t> ResponseBytes() {
  return std::span<const std::uint8_t>(RecvBuf).first(std::min<std::size_t>(RecvLen, RecvBuf.size()));
}
