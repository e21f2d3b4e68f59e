#include "reader/ApduExchange.h"

#include "reader/ACSModule.h"
#include "reader/Atr.h"

#include <algorithm>
#include <array>
#include <vector>

TReaderLink& ReaderLink() {
  static TReaderLink link;
  return link;
}

void ResetReaderLink() { ReaderLink() = TReaderLink{}; }

void TReaderLink::DiscoverReader() {
  LastResult = PcscApi().EstablishContext(kScardScopeUser, hContext);
  if (LastResult != kScardSuccess) return;
  ChooseReader();
}

void TReaderLink::ChooseReader() {
  // Only the first 256 bytes are offered, so the last byte always stays zero.
  ReaderNamesBuf.fill(0);
  ReaderNamesLen = kReaderNamesCapacity;
  LastResult = PcscApi().ListReaders(hContext, std::span<std::uint8_t>(ReaderNamesBuf.data(), kReaderNamesCapacity),
                                     ReaderNamesLen);
  if (LastResult != kScardSuccess) return;

  ReaderName.clear();
  std::vector<std::string> names;
  SplitReaderNames(names, ReaderNamesBuf, std::min<std::uint32_t>(ReaderNamesLen, kReaderNamesCapacity));
  if (names.empty()) return;
  const auto chosen =
      std::ranges::find_if(names, [](const std::string& name) { return name.find("ACR122") != std::string::npos; });
  if (chosen != names.end()) {
    ReaderName = *chosen;
    return;
  }
  const auto holdingContactless = std::ranges::find_if(names, [this](const std::string& name) {
    std::array<std::uint8_t, kMaxAtrSize> atr{};
    std::uint32_t atrLength = 0;
    return PcscApi().ReaderAtr(hContext, name, atr, atrLength) == kScardSuccess &&
           IsContactlessAtr(std::span<const std::uint8_t>(atr).first(std::min<std::size_t>(atrLength, atr.size())));
  });
  ReaderName = holdingContactless != names.end() ? *holdingContactless : names.front();
}

std::int32_t TReaderLink::ConnectCard() {
  // At the first read hCard is still zero and this simply fails, unlogged.
  LastResult = PcscApi().Disconnect(hCard, kScardUnpowerCard);
  LastResult = PcscApi().Connect(hContext, ReaderName, kScardShareShared, kScardProtocolAny, hCard, ActiveProtocol);
  return LastResult;
}

void TReaderLink::DisconnectCard() { LastResult = PcscApi().Disconnect(hCard, kScardUnpowerCard); }

void TReaderLink::ClearApduBuffers() {
  SendBuf.fill(0);
  RecvBuf.fill(0);
}

std::int32_t TReaderLink::TransmitApdu() {
  const std::size_t commandLength = std::min<std::size_t>(SendLen, SendBuf.size());
  const std::size_t capacity = std::min<std::size_t>(RecvLen, RecvBuf.size());
  std::uint32_t received = 0;
  LastResult = PcscApi().Transmit(hCard, ActiveProtocol, std::span<const std::uint8_t>(SendBuf.data(), commandLength),
                                  std::span<std::uint8_t>(RecvBuf.data(), capacity), received);
  // Never let a length larger than what the buffer holds escape to the callers.
  RecvLen = static_cast<std::uint32_t>(std::min<std::size_t>(received, capacity));
  return LastResult;
}

std::span<const std::uint8_t> TReaderLink::Response() const {
  return std::span<const std::uint8_t>(RecvBuf).first(std::min<std::size_t>(RecvLen, RecvBuf.size()));
}
