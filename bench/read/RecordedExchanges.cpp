#include "bench/read/RecordedExchanges.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kReplayReader[] = "Zelvan Replay ACR122 00 00";
constexpr std::int32_t kReplayEnded = ScardCode(kScardWRemovedCard);  // as if the card had gone

}  // namespace

std::int32_t TRecordingApi::EstablishContext(std::uint32_t scope, TScardContext& context) {
  return inner_.EstablishContext(scope, context);
}

std::int32_t TRecordingApi::ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) {
  return inner_.ListReaders(context, buffer, length);
}

std::int32_t TRecordingApi::Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                                    std::uint32_t preferredProtocols, TScardHandle& card,
                                    std::uint32_t& activeProtocol) {
  exchanges_.clear();
  return inner_.Connect(context, readerName, shareMode, preferredProtocols, card, activeProtocol);
}

std::int32_t TRecordingApi::Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                                     std::span<std::uint8_t> response, std::uint32_t& responseLength) {
  const std::int32_t result = inner_.Transmit(card, protocol, command, response, responseLength);
  const std::size_t answered = std::min<std::size_t>(responseLength, response.size());
  exchanges_.push_back({{command.begin(), command.end()},
                        {response.begin(), response.begin() + static_cast<std::ptrdiff_t>(answered)},
                        result});
  return result;
}

std::int32_t TRecordingApi::Disconnect(TScardHandle card, std::uint32_t disposition) {
  return inner_.Disconnect(card, disposition);
}

std::int32_t TReplayApi::EstablishContext(std::uint32_t, TScardContext& context) {
  context = 1;
  return kScardSuccess;
}

std::int32_t TReplayApi::ListReaders(TScardContext, std::span<std::uint8_t> buffer, std::uint32_t& length) {
  const std::size_t needed = sizeof kReplayReader + 1;  // the name, its zero and the closing zero
  if (buffer.size() < needed || length < needed) return ScardCode(kScardEInsufficientBuffer);
  std::fill_n(buffer.begin(), needed, 0);
  std::memcpy(buffer.data(), kReplayReader, sizeof kReplayReader - 1);
  length = static_cast<std::uint32_t>(needed);
  return kScardSuccess;
}

std::int32_t TReplayApi::Connect(TScardContext, const std::string&, std::uint32_t, std::uint32_t, TScardHandle& card,
                                 std::uint32_t& activeProtocol) {
  next_ = 0;
  card = 1;
  activeProtocol = kScardProtocolT1;
  return kScardSuccess;
}

std::int32_t TReplayApi::Transmit(TScardHandle, std::uint32_t, std::span<const std::uint8_t> command,
                                  std::span<std::uint8_t> response, std::uint32_t& responseLength) {
  if (next_ >= exchanges_.size()) {
    ++mismatches_;
    responseLength = 0;
    return kReplayEnded;
  }
  const TRecordedExchange& exchange = exchanges_[next_++];
  if (!std::ranges::equal(command, exchange.Command)) ++mismatches_;
  const std::size_t count = std::min(exchange.Answer.size(), response.size());
  std::memcpy(response.data(), exchange.Answer.data(), count);
  responseLength = static_cast<std::uint32_t>(count);
  return exchange.Result;
}

std::int32_t TReplayApi::Disconnect(TScardHandle, std::uint32_t) { return kScardSuccess; }
