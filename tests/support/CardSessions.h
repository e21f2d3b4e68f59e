#pragma once
// Card sessions for tests that read through a given secure messaging.

#include <memory>

#include "card/CardSession.h"
#include "card/messaging/AesChannel.h"
#include "card/messaging/BacChannel.h"
#include "crypto/MrtdContext.h"

// A session on record reading through 3DES secure messaging on it (BAC's):
// in force while record.BacEnabled, keyless while not.
inline TCardSession BacSession(tMRTD_CTX& record) {
  TCardSession session(record);
  session.Install(std::make_unique<TBacChannel>(record));
  return session;
}

// A session on record reading through messaging.
inline TCardSession SessionWith(tMRTD_CTX& record, std::unique_ptr<TSecureChannel> messaging) {
  TCardSession session(record);
  session.Install(std::move(messaging));
  return session;
}

// A session on record reading through AES secure messaging with the given
// keys, its counter at counter.
inline TCardSession AesSession(tMRTD_CTX& record, std::span<const std::uint8_t> encKey,
                               std::span<const std::uint8_t> macKey, const TAesBlock& counter) {
  return SessionWith(record, std::make_unique<TAesChannel>(TSecretBuffer(encKey), TSecretBuffer(macKey), counter));
}
