#include "access/FileSteps.h"

#include "access/MessageFormat.h"
#include "access/PiccView.h"
#include "access/PlainCommands.h"
#include "access/PlainResponse.h"
#include "access/SecureCommands.h"
#include "access/SecureResponses.h"

namespace {

constexpr std::uint16_t kSuccess = 0x9000;
constexpr std::uint16_t kSecurityStatusNotSatisfied = 0x6982;
constexpr std::uint16_t kFileNotFound = 0x6A82;

// A refusal of a protected command that comes in protected form carries a
// MAC; checking it keeps the send sequence counter in step with the chip.
bool ProtectedRefusalIntact(tMRTD_CTX& ctx, std::uint16_t status) {
  if (status == kSuccess || !IsProtectedStatusAnswer(ResponseBytes())) return true;
  return CheckSelectResponse(ctx);
}

}  // namespace

void LogStep(std::string_view pattern, std::uint8_t number, std::uint16_t status) {
  LogMessage(FormatMessage(pattern, {number}, status));
}

bool SelectFileStep(tMRTD_CTX& ctx, std::uint8_t number, bool secure, const TStepTexts& texts) {
  const auto build = [&](TApduBuffer& command, std::uint32_t& length) {
    if (secure)
      BuildSecureSelectFile(ctx, number, command, length);
    else
      BuildSelectFile(number, command, length);
  };
  if (ExchangeApdu(build) != 0) {
    LogStep(texts.ConnectionError, number);
    return false;
  }
  const std::uint16_t status = GetStatusWord(ResponseBytes());
  if (secure) {
    const bool intact = status == kSuccess ? CheckSelectResponse(ctx) : ProtectedRefusalIntact(ctx, status);
    if (!intact) {
      LogStep(texts.WrongMac, number);
      return false;
    }
  } else if (status == kSecurityStatusNotSatisfied) {
    return true;
  }
  return AcceptStatusStep(status, texts, number);
}

std::optional<std::uint16_t> ReadBinaryStep(tMRTD_CTX& ctx, std::uint16_t offset, std::uint16_t length,
                                            TClearBuffers clear, const TStepTexts& texts, std::uint8_t number) {
  const bool secure = ctx.BacEnabled;
  const auto build = [&](TApduBuffer& command, std::uint32_t& commandLength) {
    if (secure)
      BuildSecureReadBinary(ctx, offset, length, command, commandLength);
    else
      BuildReadBinary(offset, length, command, commandLength);
  };
  if (ExchangeApdu(build, clear) != 0) {
    LogStep(texts.ConnectionError, number);
    return std::nullopt;
  }
  const std::uint16_t status = GetStatusWord(ResponseBytes());
  if (secure && !ProtectedRefusalIntact(ctx, status)) {
    LogStep(texts.WrongMac, number);
    return std::nullopt;
  }
  return status;
}

bool AcceptStatusStep(std::uint16_t status, const TStepTexts& texts, std::uint8_t number) {
  if (status == kSuccess) return true;
  const bool notFound = status == kFileNotFound && !texts.FileNotFound.empty();
  LogStep(notFound ? texts.FileNotFound : texts.BadStatus, number, status);
  return false;
}

std::optional<std::size_t> TakeDataStep(tMRTD_CTX& ctx, std::span<std::uint8_t> plaintext,
                                        const TStepTexts& texts, std::uint8_t number) {
  std::size_t length = 0;
  const TUnwrapResult result =
      ctx.BacEnabled ? UnwrapReadResponse(ctx, plaintext, length) : UnwrapPlainResponse(plaintext, length);
  if (result == TUnwrapResult::Ok) return length;
  if (result == TUnwrapResult::WrongMac) LogStep(texts.WrongMac, number);
  return std::nullopt;
}
