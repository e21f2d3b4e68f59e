#include "tools/simchip/SimulatedReader.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "reader/ReaderFeatures.h"

namespace simchip {

namespace {

constexpr std::uint32_t kTlvPropertiesCode = kSimulatedTlvPropertiesCode;

std::int32_t Give(std::span<const std::uint8_t> bytes, std::span<std::uint8_t> answer, std::uint32_t& answerLength) {
  if (bytes.size() > answer.size()) return ScardCode(kScardEInsufficientBuffer);
  std::copy(bytes.begin(), bytes.end(), answer.begin());
  answerLength = static_cast<std::uint32_t>(bytes.size());
  return kScardSuccess;
}

}  // namespace

TSimulatedReader::TSimulatedReader(std::vector<std::string> readerNames) : names_(std::move(readerNames)) {}

void TSimulatedReader::InsertCard(TSimulatedChip& chip, std::size_t readerIndex) {
  if (readerIndex >= names_.size()) throw std::out_of_range("no reader at that index");
  chip_ = &chip;
  chipReader_ = readerIndex;
  powered_ = false;
  ++insertion_;
}

void TSimulatedReader::RemoveCard() {
  if (chip_ && powered_) chip_->PowerOff();
  chip_ = nullptr;
  powered_ = false;
  ++insertion_;
}

void TSimulatedReader::StopService() { running_ = false; }

void TSimulatedReader::StartService() {
  // A new resource manager: the card powered down, no handle of before valid.
  if (chip_ && powered_) chip_->PowerOff();
  powered_ = false;
  handles_.clear();
  running_ = true;
  ++context_;
}

void TSimulatedReader::PlugReader(std::string name) { names_.push_back(std::move(name)); }

std::int32_t TSimulatedReader::EstablishContext(std::uint32_t, TScardContext& context) {
  if (!running_) return ScardCode(kScardENoService);
  if (establishResult_ != 0) return ScardCode(establishResult_);
  context = context_;
  return kScardSuccess;
}

std::int32_t TSimulatedReader::ListReaders(TScardContext context, std::span<std::uint8_t> buffer,
                                           std::uint32_t& length) {
  if (!running_) return ScardCode(kScardENoService);
  if (context != context_) return ScardCode(kScardEInvalidHandle);
  if (names_.empty()) return ScardCode(kScardENoReadersAvailable);
  TBytes multi;
  for (const auto& name : names_) {
    Append(multi, BytesOf(name));
    multi.push_back(0);
  }
  multi.push_back(0);
  if (multi.size() > length || multi.size() > buffer.size()) return ScardCode(kScardEInsufficientBuffer);
  std::copy(multi.begin(), multi.end(), buffer.begin());
  length = static_cast<std::uint32_t>(multi.size());
  return kScardSuccess;
}

std::int32_t TSimulatedReader::Connect(TScardContext context, const std::string& readerName, std::uint32_t,
                                       std::uint32_t, TScardHandle& card, std::uint32_t& activeProtocol) {
  if (!running_) return ScardCode(kScardENoService);
  if (context != context_) return ScardCode(kScardEInvalidHandle);
  const auto reader = std::find(names_.begin(), names_.end(), readerName);
  if (reader == names_.end()) return ScardCode(kScardEUnknownReader);
  if (!chip_ || static_cast<std::size_t>(reader - names_.begin()) != chipReader_) return ScardCode(kScardENoSmartcard);
  if (!powered_) {
    chip_->PowerOn();
    powered_ = true;
  }
  card = nextHandle_++;
  handles_.emplace_back(card, insertion_);
  activeProtocol = kScardProtocolT1;
  return kScardSuccess;
}

std::int32_t TSimulatedReader::Transmit(TScardHandle card, std::uint32_t, std::span<const std::uint8_t> command,
                                        std::span<std::uint8_t> response, std::uint32_t& responseLength) {
  if (!running_) return ScardCode(kScardENoService);
  const auto handle = std::find_if(handles_.begin(), handles_.end(), [&](const auto& h) { return h.first == card; });
  if (handle == handles_.end()) return ScardCode(kScardEInvalidHandle);
  if (!chip_ || handle->second != insertion_) return ScardCode(kScardWRemovedCard);
  sent_.emplace_back(command.begin(), command.end());
  if (!powered_) {  // another connection powered the card down; this one powers it up again
    chip_->PowerOn();
    powered_ = true;
  }
  const TChipReply reply = chip_->Transmit(command);
  if (reply.CardRemoved) {
    RemoveCard();
    return ScardCode(kScardWRemovedCard);
  }
  if (reply.PcscError != 0) return ScardCode(reply.PcscError);
  if (reply.Answer.size() > response.size()) return ScardCode(kScardEInsufficientBuffer);
  std::copy(reply.Answer.begin(), reply.Answer.end(), response.begin());
  responseLength = static_cast<std::uint32_t>(reply.Answer.size());
  return kScardSuccess;
}

std::int32_t TSimulatedReader::Disconnect(TScardHandle card, std::uint32_t disposition) {
  const auto handle = std::find_if(handles_.begin(), handles_.end(), [&](const auto& h) { return h.first == card; });
  if (handle == handles_.end()) return ScardCode(kScardEInvalidHandle);
  const bool cardStillThere = chip_ && handle->second == insertion_;
  handles_.erase(handle);
  dispositions_.push_back(disposition);
  if (!cardStillThere) return kScardSuccess;
  if (disposition == kScardUnpowerCard) {
    chip_->PowerOff();
    powered_ = false;
  } else if (disposition == kScardResetCard) {
    chip_->Reset();
  }
  return kScardSuccess;
}

std::int32_t TSimulatedReader::ReaderAtr(TScardContext context, const std::string& readerName,
                                         std::span<std::uint8_t> atr, std::uint32_t& atrLength) {
  atrLength = 0;
  if (!running_) return ScardCode(kScardENoService);
  if (context != context_) return ScardCode(kScardEInvalidHandle);
  const auto reader = std::find(names_.begin(), names_.end(), readerName);
  if (reader == names_.end()) return ScardCode(kScardEUnknownReader);
  if (!chip_ || static_cast<std::size_t>(reader - names_.begin()) != chipReader_) return kScardSuccess;
  if (chip_->Atr().size() > atr.size()) return ScardCode(kScardEInsufficientBuffer);
  std::copy(chip_->Atr().begin(), chip_->Atr().end(), atr.begin());
  atrLength = static_cast<std::uint32_t>(chip_->Atr().size());
  return kScardSuccess;
}

std::int32_t TSimulatedReader::Control(TScardHandle card, std::uint32_t controlCode, std::span<const std::uint8_t>,
                                       std::span<std::uint8_t> answer, std::uint32_t& answerLength) {
  answerLength = 0;
  const auto handle = std::find_if(handles_.begin(), handles_.end(), [&](const auto& h) { return h.first == card; });
  if (handle == handles_.end()) return ScardCode(kScardEInvalidHandle);
  if (maxApduDataSize_ == 0) return ScardCode(kScardEUnsupportedFeature);
  if (controlCode == kIoctlGetFeatureRequest)
    return Give(TlvPropertiesFeature(kTlvPropertiesCode), answer, answerLength);
  if (controlCode == kTlvPropertiesCode) return Give(MaxApduDataSizeProperty(maxApduDataSize_), answer, answerLength);
  return ScardCode(kScardEUnsupportedFeature);
}

std::int32_t TSimulatedReader::ReleaseContext(TScardContext context) {
  if (!running_) return ScardCode(kScardENoService);
  return context == context_ ? kScardSuccess : ScardCode(kScardEInvalidHandle);
}

std::uint32_t TSimulatedReader::FoundState(const std::string& readerName) const {
  if (readerName == kPnpNotificationReader) return static_cast<std::uint32_t>(names_.size()) << 16;
  const auto reader = std::find(names_.begin(), names_.end(), readerName);
  if (reader == names_.end()) return kScardStateUnknown;
  const bool holdsCard = chip_ && static_cast<std::size_t>(reader - names_.begin()) == chipReader_;
  return (holdsCard ? kScardStatePresent : kScardStateEmpty) | static_cast<std::uint32_t>(insertion_ & 0xFFFF) << 16;
}

std::int32_t TSimulatedReader::GetStatusChange(TScardContext context, std::uint32_t, std::span<TReaderState> states) {
  if (!running_) return ScardCode(kScardENoService);
  if (context != context_) return ScardCode(kScardEInvalidHandle);
  bool changed = false;
  for (TReaderState& state : states) {
    const std::uint32_t found = FoundState(state.Reader);
    state.EventState = found == state.CurrentState ? found : found | kScardStateChanged;
    changed = changed || found != state.CurrentState;
  }
  return changed ? kScardSuccess : ScardCode(kScardETimeout);
}

}  // namespace simchip
