#include "app/ReadCommand.h"

#include <openssl/crypto.h>

#include "access/MrzInformation.h"
#include "reader/ACSModule.h"
#include "reader/ApduExchange.h"

void RunReadCommand(const TReadInputs& inputs, tMRTD_CTX& ctx, TJpeg2000Bitmap& picture) {
  (void)ctx;
  (void)picture;
  const std::int32_t connected = ConnectCard();
  if (connected != kScardSuccess) {
    LogMessage(SCardErrorText(static_cast<std::uint32_t>(connected)), lkConnectionError);
    return;
  }
  const std::string mrzInformation =
      BuildMrzInformation(inputs.DocumentNumber, inputs.DateOfBirth, inputs.DateOfExpiry);
  (void)mrzInformation;
}

void WipeSession(tMRTD_CTX& ctx) {
  OPENSSL_cleanse(&ctx, sizeof ctx);
  ctx = tMRTD_CTX{};
}
