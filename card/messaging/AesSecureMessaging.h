#pragma once
// Secure messaging with AES after PACE: the send sequence counter is 16
// bytes, starting at zero; the IV of each encipherment is the counter
// enciphered under KS_Enc; the MAC is AES-CMAC under KS_MAC over the counter
// and the padded message, cut to 8 bytes. The counter steps once per command
// and once per answer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "card/messaging/SecureChannel.h"
#include "crypto/AesCipher.h"
#include "crypto/SecretBuffer.h"
#include "reader/Apdu.h"

struct TAesSession {
  TSecretBuffer EncKey;                   // KS_Enc: 16, 24 or 32 bytes
  TSecretBuffer MacKey;                   // KS_MAC
  TAesBlock SSC{};                        // big-endian
  std::unique_ptr<TAesSessionKeys> Keys;  // both keys scheduled, made at the first use

  TAesSessionKeys& Scheduled() {
    if (!Keys) Keys = std::make_unique<TAesSessionKeys>(EncKey.Bytes(), MacKey.Bytes());
    return *Keys;
  }
};

// The protected form of a plain command: CLA with 0C, DO'87' (01 and the
// padded data enciphered) when it has data, DO'97' when it has an Le,
// DO'8E', Le 00; an extended command goes extended, its DO'97' and Le in
// two bytes. Steps the counter once.
TCommandApdu BuildAesProtectedCommand(TAesSession& session, const TCommandApdu& plain);

// Checks the MAC of an answer made of DO'87' (optional), DO'99', DO'8E' and
// SW1 SW2: steps the counter once and compares. False for any other shape
// (the counter still steps).
bool CheckAesAnswer(TAesSession& session, std::span<const std::uint8_t> answer);

// Checks and opens the answer to a protected READ BINARY: DO'87' DO'99'
// DO'8E' SW1 SW2. The cryptogram is deciphered into plaintext and its
// padding dropped; length receives the data length. Shapes the program does
// not take are logged as BAC's answers are ("Hata #1".."Hata #5 : %d") and
// leave the counter where it was.
TUnwrapResult UnwrapAesReadAnswer(TAesSession& session, std::span<const std::uint8_t> answer,
                                  std::span<std::uint8_t> plaintext, std::size_t& length);
