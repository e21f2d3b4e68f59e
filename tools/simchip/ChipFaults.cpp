#include "tools/simchip/ChipFaults.h"

#include <algorithm>

namespace simchip {

namespace {

TFault Make(EFaultKind kind, std::size_t at) {
  TFault fault;
  fault.Kind = kind;
  fault.At = at;
  return fault;
}

}  // namespace

TFault TFault::WrongMac(std::size_t at) { return Make(EFaultKind::WrongMac, at); }

TFault TFault::CardRemoved(std::size_t at) { return Make(EFaultKind::CardRemoved, at); }

TFault TFault::Truncated(std::size_t at, std::size_t keptDataBytes) {
  TFault fault = Make(EFaultKind::Truncated, at);
  fault.Length = keptDataBytes;
  return fault;
}

TFault TFault::Overlong(std::size_t at, std::size_t extraBytes) {
  TFault fault = Make(EFaultKind::Overlong, at);
  fault.Length = extraBytes;
  return fault;
}

TFault TFault::StatusWord(std::size_t at, std::uint16_t status) {
  TFault fault = Make(EFaultKind::StatusWord, at);
  fault.Status = status;
  return fault;
}

TFault TFault::Answer(std::size_t at, TBytes answer) {
  TFault fault = Make(EFaultKind::Answer, at);
  fault.Bytes = std::move(answer);
  return fault;
}

TFault TFault::TransmitError(std::size_t at, std::uint32_t pcscError) {
  TFault fault = Make(EFaultKind::TransmitError, at);
  fault.PcscError = pcscError;
  return fault;
}

TFault TFault::ForIns(std::uint8_t ins) const {
  TFault fault = *this;
  fault.Ins = ins;
  return fault;
}

bool TFault::ReplacesCommand() const {
  return Kind != EFaultKind::WrongMac && Kind != EFaultKind::Truncated && Kind != EFaultKind::Overlong;
}

std::vector<TFault> TFaultSchedule::Fire(std::uint8_t ins) {
  std::vector<TFault> firing;
  for (auto& entry : entries_) {
    if (entry.Fault.Ins && *entry.Fault.Ins != ins) continue;
    ++entry.Seen;
    if (entry.Fault.At == 0 || entry.Fault.At == entry.Seen) firing.push_back(entry.Fault);
  }
  return firing;
}

void Spoil(const TFault& fault, TBytes& answer) {
  constexpr std::size_t kTrailer = 2;
  constexpr std::size_t kMacEnd = 3;  // the MAC's last byte stands just before SW1 SW2
  constexpr std::uint8_t kFiller = 0xA5;
  const std::size_t dataSize = answer.size() >= kTrailer ? answer.size() - kTrailer : 0;
  switch (fault.Kind) {
    case EFaultKind::WrongMac:
      if (answer.size() >= kMacEnd) answer[answer.size() - kMacEnd] ^= 0x01;
      break;
    case EFaultKind::Truncated:
      if (fault.Length < dataSize)
        answer.erase(answer.begin() + static_cast<std::ptrdiff_t>(fault.Length),
                     answer.begin() + static_cast<std::ptrdiff_t>(dataSize));
      break;
    case EFaultKind::Overlong:
      answer.insert(answer.begin() + static_cast<std::ptrdiff_t>(dataSize), fault.Length, kFiller);
      break;
    default:
      break;
  }
}

}  // namespace simchip
