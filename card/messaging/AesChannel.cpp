#include "card/messaging/AesChannel.h"

#include "card/messaging/ProtectedAnswerLength.h"
#include "card/messaging/SecureResponses.h"
#include "crypto/AesCipher.h"

TAesChannel::TAesChannel(TSecretBuffer encKey, TSecretBuffer macKey, const TAesBlock& counter)
    : session_{std::move(encKey), std::move(macKey), counter, nullptr} {}

TCommandApdu TAesChannel::Protect(const TCommandApdu& command) { return BuildAesProtectedCommand(session_, command); }

bool TAesChannel::SelectAnswerIntact(std::span<const std::uint8_t> answer) {
  if (GetStatusWord(answer) == kSwSuccess) return CheckAesAnswer(session_, answer);
  return RefusalIntact(answer);
}

bool TAesChannel::RefusalIntact(std::span<const std::uint8_t> answer) {
  return !IsProtectedStatusAnswer(answer) || CheckAesAnswer(session_, answer);
}

TUnwrapResult TAesChannel::OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                                          std::size_t& length) {
  return UnwrapAesReadAnswer(session_, answer, plaintext, length);
}

std::size_t TAesChannel::AnswerLength(std::size_t dataLength) const {
  return ProtectedAnswerLength(dataLength, kAesBlockSize);
}
