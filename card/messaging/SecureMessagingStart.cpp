#include "card/messaging/SecureMessagingStart.h"

#include <algorithm>

#include "card/messaging/AesChannel.h"
#include "card/messaging/BacChannel.h"
#include "card/messaging/PlainChannel.h"
#include "crypto/SecretBytes.h"

void UseNoSecureMessaging(TCardSession& session) { session.Install(std::make_unique<TPlainChannel>()); }

void UseTripleDesRecord(TCardSession& session) {
  session.Install(std::make_unique<TBacChannel>(session.TripleDesRecord()));
}

std::unique_ptr<TSecureChannel> StartSecureMessaging(TCardSession& session, TPaceCipher cipher, TSecretBuffer encKey,
                                                     TSecretBuffer macKey) {
  if (cipher != TPaceCipher::TripleDes)
    return session.Install(std::make_unique<TAesChannel>(std::move(encKey), std::move(macKey)));
  tMRTD_CTX& ctx = session.TripleDesRecord();
  std::copy_n(encKey.data(), ctx.encK.size(), ctx.encK.begin());
  std::copy_n(macKey.data(), ctx.macK.size(), ctx.macK.begin());
  ctx.SSC = {};
  ctx.CounterFromZero = true;
  ctx.BacEnabled = true;
  return session.Install(std::make_unique<TBacChannel>(ctx));
}

void ForgetTripleDesKeys(TCardSession& session) {
  tMRTD_CTX& ctx = session.TripleDesRecord();
  WipeBytes(ctx.encK);
  WipeBytes(ctx.macK);
  ctx.SSC = {};
  ctx.BacEnabled = false;
}
