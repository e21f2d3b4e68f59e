#pragma once
// The channel of a chip that never asked for Basic Access Control: commands
// go as they are, answers are taken as they come, and every data group is
// selected with a plain SELECT.

#include "card/messaging/SecureChannel.h"

class TPlainChannel final : public TSecureChannel {
public:
  TDataGroupSelect DataGroupSelect() const override { return TDataGroupSelect::Plain; }
  TCommandApdu Protect(const TCommandApdu& command) override { return command; }
  bool SelectAnswerIntact(std::span<const std::uint8_t>) override { return true; }
  bool RefusalIntact(std::span<const std::uint8_t>) override { return true; }
  // Data longer than plaintext is rejected ("Hata #5 : %d").
  TUnwrapResult OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                               std::size_t& length) override;
};
