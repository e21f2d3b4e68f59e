#pragma once
// 3DES secure messaging after Basic Access Control, on the session record
// that holds its keys and send sequence counter (ICAO 9303 Part 11).
//
// Until BAC has succeeded (BacEnabled false) a chip that asked for BAC gets
// plain commands, no SELECT per data group, and still only protected answers
// count: a plain answer's data is never taken from it.

#include "card/messaging/SecureChannel.h"
#include "crypto/MrtdContext.h"

class TBacChannel final : public TSecureChannel {
public:
  explicit TBacChannel(tMRTD_CTX& session) : session_(session) {}

  TDataGroupSelect DataGroupSelect() const override;
  // Protected while BacEnabled, else as it is.
  TCommandApdu Protect(const TCommandApdu& command) override;
  // Protected with the record's keys whatever BacEnabled says.
  TCommandApdu ProtectEvenWithoutKeys(const TCommandApdu& command) override;
  // CheckSelectResponse for a 9000 answer and for a refusal in protected
  // form; a bare refusal is taken as it is.
  bool SelectAnswerIntact(std::span<const std::uint8_t> answer) override;
  // While BacEnabled, a refusal in protected form is checked by its MAC.
  bool RefusalIntact(std::span<const std::uint8_t> answer) override;
  // UnwrapReadResponse, whatever the state.
  TUnwrapResult OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                               std::size_t& length) override;
  // Under secure messaging while BacEnabled.
  std::size_t AnswerLength(std::size_t dataLength) const override;

  tMRTD_CTX& Session() { return session_; }

private:
  bool ProtectedRefusalIntact(std::span<const std::uint8_t> answer);

  tMRTD_CTX& session_;
};
