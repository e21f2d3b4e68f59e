#include "fuzz/SessionScript.h"

#include <algorithm>
#include <array>

#include "reader/StatusWord.h"
#include "tools/simchip/SimulatedReader.h"

namespace {

using hostile::TAnswerKind;
using hostile::TScriptedAnswer;

enum : std::uint8_t {
  kData = 0,
  kDataWithStatus = 1,
  kProtectedStatus = 2,
  kBareStatus = 3,
  kRaw = 4,
  kWrongMacData = 5,
  kChipAnswer = 6,
  kNoAnswer = 7,
  kKinds = 8,
};

// The failures of the link a record can choose (0 takes the card away).
constexpr std::array<std::uint32_t, 4> kLinkFailures{
    0,
    kScardWRemovedCard,
    kScardENoSmartcard,
    kScardEInsufficientBuffer,
};

void AppendStatus(std::uint16_t status, simchip::TBytes& to) {
  to.push_back(static_cast<std::uint8_t>(status >> 8));
  to.push_back(static_cast<std::uint8_t>(status));
}

}  // namespace

TSessionAccess TSessionScript::Access(std::span<const std::uint8_t> input) {
  return !input.empty() && (input[0] & 1) != 0 ? TSessionAccess::Pace : TSessionAccess::Bac;
}

std::uint8_t TSessionScript::Byte() { return position_ < input_.size() ? input_[position_++] : 0; }

std::uint16_t TSessionScript::Status() {
  const std::uint8_t high = Byte();
  return static_cast<std::uint16_t>(high << 8 | Byte());
}

simchip::TBytes TSessionScript::Bytes() {
  const std::size_t count = std::min<std::size_t>(Byte(), input_.size() - position_);
  const auto from = input_.begin() + static_cast<std::ptrdiff_t>(position_);
  position_ += count;
  return simchip::TBytes(from, from + static_cast<std::ptrdiff_t>(count));
}

std::optional<TScriptedAnswer> TSessionScript::Next() {
  if (position_ >= input_.size()) return TScriptedAnswer{.Kind = TAnswerKind::CardRemoved};
  switch (Byte() % kKinds) {
    case kData:
      return TScriptedAnswer{.Kind = TAnswerKind::Data, .Bytes = Bytes()};
    case kDataWithStatus: {
      const std::uint16_t status = Status();
      return TScriptedAnswer{.Kind = TAnswerKind::Data, .Bytes = Bytes(), .Status = status};
    }
    case kProtectedStatus:
      return TScriptedAnswer{.Kind = TAnswerKind::ProtectedStatus, .Status = Status()};
    case kBareStatus:
      return TScriptedAnswer{.Kind = TAnswerKind::BareStatus, .Status = Status()};
    case kRaw:
      return TScriptedAnswer{.Kind = TAnswerKind::Raw, .Bytes = Bytes()};
    case kWrongMacData:
      return TScriptedAnswer{.Kind = TAnswerKind::WrongMacData, .Bytes = Bytes()};
    case kChipAnswer:
      return std::nullopt;
    default: {
      const std::uint32_t failure = kLinkFailures[Byte() % kLinkFailures.size()];
      if (failure == 0) return TScriptedAnswer{.Kind = TAnswerKind::CardRemoved};
      return TScriptedAnswer{.Kind = TAnswerKind::TransmitError, .PcscError = failure};
    }
  }
}

void TSessionScript::AppendData(std::span<const std::uint8_t> plaintext, std::uint16_t status, simchip::TBytes& to) {
  if (status == kSwSuccess) {
    to.push_back(kData);
  } else {
    to.push_back(kDataWithStatus);
    AppendStatus(status, to);
  }
  const std::size_t count = std::min<std::size_t>(plaintext.size(), 0xFF);
  to.push_back(static_cast<std::uint8_t>(count));
  to.insert(to.end(), plaintext.begin(), plaintext.begin() + static_cast<std::ptrdiff_t>(count));
}

void TSessionScript::AppendProtectedStatus(std::uint16_t status, simchip::TBytes& to) {
  to.push_back(kProtectedStatus);
  AppendStatus(status, to);
}

void TSessionScript::AppendBareStatus(std::uint16_t status, simchip::TBytes& to) {
  to.push_back(kBareStatus);
  AppendStatus(status, to);
}
