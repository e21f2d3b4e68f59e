#pragma once
// A PC/SC resource manager with simulated readers, to put in place of the
// system's through SetPcscApi(). One reader can hold a TSimulatedChip; the
// reader records every command sent to it and hands the chip's answers back
// as SCardTransmit would, buffer limits and card removal included.
//
// The chip is not owned: it must outlive the reader or be removed first.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/PcscApi.h"
#include "tools/simchip/SimulatedChip.h"

namespace simchip {

inline constexpr std::uint32_t kScardLeaveCard = 0;
inline constexpr std::uint32_t kScardResetCard = 1;

class TSimulatedReader : public TPcscApi {
public:
  explicit TSimulatedReader(std::vector<std::string> readerNames = {"Zelvan Virtual ACR122 00 00"});

  // Puts a chip into the reader at the index (default: the first reader).
  void InsertCard(TSimulatedChip& chip, std::size_t readerIndex = 0);
  // Takes the card away: open connections fail with SCARD_W_REMOVED_CARD and
  // new ones with SCARD_E_NO_SMARTCARD until a card is inserted again.
  void RemoveCard();
  bool CardPresent() const { return chip_ != nullptr; }

  // The reader's dwMaxAPDUDataSize as its TLV properties give it (PC/SC part
  // 10); 0 (the default): the reader lists no features and answers every
  // SCardControl with SCARD_E_UNSUPPORTED_FEATURE, as a reader of short
  // APDUs only may.
  void SetMaxApduDataSize(std::uint32_t size) { maxApduDataSize_ = size; }
  // The resource manager stops: every call fails with SCARD_E_NO_SERVICE
  // until StartService, after which the contexts and card handles of before
  // are invalid.
  void StopService();
  void StartService();
  // A reader plugged in, listed after the others.
  void PlugReader(std::string name);

  // Makes EstablishContext fail with this code (0: succeed).
  void FailEstablishContext(std::uint32_t code) { establishResult_ = code; }

  // Every command given to Transmit on a live connection, in order.
  const std::vector<simchip::TBytes>& SentCommands() const { return sent_; }
  void ClearSentCommands() { sent_.clear(); }
  // Disconnect dispositions seen, in order.
  const std::vector<std::uint32_t>& Dispositions() const { return dispositions_; }

  std::int32_t EstablishContext(std::uint32_t scope, TScardContext& context) override;
  std::int32_t ListReaders(TScardContext context, std::span<std::uint8_t> buffer, std::uint32_t& length) override;
  std::int32_t Connect(TScardContext context, const std::string& readerName, std::uint32_t shareMode,
                       std::uint32_t preferredProtocols, TScardHandle& card, std::uint32_t& activeProtocol) override;
  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override;
  std::int32_t Disconnect(TScardHandle card, std::uint32_t disposition) override;
  // The chip's ATR for the reader that holds it.
  std::int32_t ReaderAtr(TScardContext context, const std::string& readerName, std::span<std::uint8_t> atr,
                         std::uint32_t& atrLength) override;
  // The feature list (FEATURE_GET_TLV_PROPERTIES only) and the TLV properties.
  std::int32_t Control(TScardHandle card, std::uint32_t controlCode, std::span<const std::uint8_t> command,
                       std::span<std::uint8_t> answer, std::uint32_t& answerLength) override;
  std::int32_t ReleaseContext(TScardContext context) override;
  // Never waits. A reader's event state counts insertions and removals in its
  // upper 16 bits; the notification reader's counts the readers.
  std::int32_t GetStatusChange(TScardContext context, std::uint32_t timeoutMs, std::span<TReaderState> states) override;

private:
  std::uint32_t FoundState(const std::string& readerName) const;

  bool running_ = true;
  TScardContext context_ = 0x5C;
  std::vector<std::string> names_;
  TSimulatedChip* chip_ = nullptr;
  std::size_t chipReader_ = 0;
  bool powered_ = false;
  // Counts insertions and removals; a handle stays valid only while the card
  // it was made for is in the reader.
  std::uint64_t insertion_ = 0;
  std::vector<std::pair<TScardHandle, std::uint64_t>> handles_;
  TScardHandle nextHandle_ = 0x1001;
  std::uint32_t establishResult_ = 0;
  std::uint32_t maxApduDataSize_ = 0;
  std::vector<simchip::TBytes> sent_;
  std::vector<std::uint32_t> dispositions_;
};

}  // namespace simchip
