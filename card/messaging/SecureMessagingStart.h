#pragma once
// Putting secure messaging in force on a card session: what BAC, PACE and
// Chip Authentication do once they agree on keys. The secure messaging
// objects themselves are made here and nowhere outside card/.

#include <memory>

#include "card/CardSession.h"
#include "crypto/PaceProtocols.h"
#include "crypto/SecretBuffer.h"

// No secure messaging: commands and answers as they are.
void UseNoSecureMessaging(TCardSession& session);

// 3DES secure messaging on the session's record as it stands: in force while
// BacEnabled; without keys (commands as they are, no SELECT per data group,
// no plain answer's data taken) while not.
void UseTripleDesRecord(TCardSession& session);

// Secure messaging under new session keys with the counter at zero: 3DES on
// the record (keys copied in, BacEnabled, CounterFromZero) or AES of its own.
// Returns the secure messaging it replaces.
std::unique_ptr<TSecureChannel> StartSecureMessaging(TCardSession& session, TPaceCipher cipher, TSecretBuffer encKey,
                                                     TSecretBuffer macKey);

// The record's keys once AES runs: wiped, counter zero, BacEnabled off.
void ForgetTripleDesKeys(TCardSession& session);
