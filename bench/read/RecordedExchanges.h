#pragma once
// A reading recorded once and played back: the recorder passes every PC/SC
// call to a real (or simulated) API and keeps each command with its answer;
// the replayer answers the same commands from the recording at the cost of a
// copy, so that a reading can be timed without the chip's own work.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "reader/PcscApi.h"

struct TRecordedExchange {
  std::vector<std::uint8_t> Command;
  std::vector<std::uint8_t> Answer;
  std::int32_t Result = 0;
};

class TRecordingApi : public TPcscApi {
public:
  explicit TRecordingApi(TPcscApi& inner) : inner_(inner) {}

  std::int32_t EstablishContext(std::uint32_t scope, TScardContext& context) override;
  std::int32_t ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) override;
  std::int32_t Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                       std::uint32_t preferredProtocols, TScardHandle& card, std::uint32_t& activeProtocol) override;
  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override;
  std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) override;

  // The exchanges since the last Connect.
  const std::vector<TRecordedExchange>& Exchanges() const { return exchanges_; }

private:
  TPcscApi& inner_;
  std::vector<TRecordedExchange> exchanges_;
};

// Plays a recording back, from its first exchange at every Connect. One
// reader, "Zelvan Replay ACR122 00 00". A command that differs from the
// recorded one is counted in Mismatches() and still gets the recorded answer.
class TReplayApi : public TPcscApi {
public:
  explicit TReplayApi(std::vector<TRecordedExchange> exchanges) : exchanges_(std::move(exchanges)) {}

  std::int32_t EstablishContext(std::uint32_t scope, TScardContext& context) override;
  std::int32_t ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) override;
  std::int32_t Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                       std::uint32_t preferredProtocols, TScardHandle& card, std::uint32_t& activeProtocol) override;
  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override;
  std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) override;

  std::size_t Mismatches() const { return mismatches_; }
  // Commands answered since the last Connect.
  std::size_t Played() const { return next_; }

private:
  std::vector<TRecordedExchange> exchanges_;
  std::size_t next_ = 0;
  std::size_t mismatches_ = 0;
};
