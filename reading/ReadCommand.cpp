#include "reading/ReadCommand.h"

#include <openssl/crypto.h>

#include "reading/ReadSequence.h"

void RunReadCommand(const TReadInputs& inputs, const TReadState& state) {
  TReading reading(inputs, state, PiccView());
  RunReadSequence(reading);
}

void WipeSession(tMRTD_CTX& ctx) {
  OPENSSL_cleanse(&ctx, sizeof ctx);
  ctx = tMRTD_CTX{};
}
