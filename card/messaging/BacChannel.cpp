#include "card/messaging/BacChannel.h"

#include "card/messaging/ProtectedAnswerLength.h"
#include "card/messaging/SecureCommands.h"
#include "card/messaging/SecureResponses.h"
#include "crypto/Padding.h"

TDataGroupSelect TBacChannel::DataGroupSelect() const {
  return session_.BacEnabled ? TDataGroupSelect::Protected : TDataGroupSelect::None;
}

TCommandApdu TBacChannel::Protect(const TCommandApdu& command) {
  return session_.BacEnabled ? BuildProtectedCommand(session_, command) : command;
}

TCommandApdu TBacChannel::ProtectEvenWithoutKeys(const TCommandApdu& command) {
  return BuildProtectedCommand(session_, command);
}

bool TBacChannel::ProtectedRefusalIntact(std::span<const std::uint8_t> answer) {
  // A refusal that comes in protected form carries a MAC; checking it keeps
  // the send sequence counter in step with the chip.
  return !IsProtectedStatusAnswer(answer) || CheckSelectResponse(session_, answer);
}

bool TBacChannel::SelectAnswerIntact(std::span<const std::uint8_t> answer) {
  if (GetStatusWord(answer) == kSwSuccess) return CheckSelectResponse(session_, answer);
  return ProtectedRefusalIntact(answer);
}

bool TBacChannel::RefusalIntact(std::span<const std::uint8_t> answer) {
  return !session_.BacEnabled || ProtectedRefusalIntact(answer);
}

TUnwrapResult TBacChannel::OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                                          std::size_t& length) {
  return UnwrapReadResponse(session_, answer, plaintext, length);
}

std::size_t TBacChannel::AnswerLength(std::size_t dataLength) const {
  return session_.BacEnabled ? ProtectedAnswerLength(dataLength, kDesBlockSize) : dataLength;
}
