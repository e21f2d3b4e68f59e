#pragma once
// AES secure messaging after PACE as the reading's channel: every command
// protected, every data group selected under secure messaging, only answers
// whose MAC holds taken.

#include "card/messaging/AesSecureMessaging.h"
#include "card/messaging/SecureChannel.h"

class TAesChannel final : public TSecureChannel {
public:
  // Takes the session keys; the counter starts at counter (zero for a new session).
  TAesChannel(TSecretBuffer encKey, TSecretBuffer macKey, const TAesBlock& counter = {});

  TDataGroupSelect DataGroupSelect() const override { return TDataGroupSelect::Protected; }
  TCommandApdu Protect(const TCommandApdu& command) override;
  // A 9000 answer and a refusal in protected form must carry a MAC that holds.
  bool SelectAnswerIntact(std::span<const std::uint8_t> answer) override;
  // A refusal in protected form is checked by its MAC; a bare one is taken as it is.
  bool RefusalIntact(std::span<const std::uint8_t> answer) override;
  TUnwrapResult OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                               std::size_t& length) override;
  std::size_t AnswerLength(std::size_t dataLength) const override;

  const TAesSession& Session() const { return session_; }

private:
  TAesSession session_;
};
