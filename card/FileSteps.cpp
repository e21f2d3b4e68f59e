#include "card/FileSteps.h"

#include "card/PlainCommands.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"

namespace {

constexpr std::string_view kLengthNot4 = "recv_len <>4 :  %d";

}  // namespace

void LogStep(std::string_view pattern, std::uint8_t number, std::uint16_t status) {
  LogMessage(FormatMessage(pattern, {number}, status));
}

bool SelectFileStep(TSecureChannel& channel, const TCommandApdu& command, const TStepTexts& texts, std::uint8_t number,
                    bool securityRefusalGoesOn) {
  if (ExchangeApdu(command) != 0) {
    LogStep(texts.ConnectionError, number);
    return false;
  }
  const std::span<const std::uint8_t> answer = ResponseBytes();
  if (!channel.SelectAnswerIntact(answer)) {
    LogStep(texts.WrongMac, number);
    return false;
  }
  const std::uint16_t status = GetStatusWord(answer);
  if (securityRefusalGoesOn && status == kSwSecurityNotSatisfied) return true;
  return AcceptStatusStep(status, texts, number);
}

std::optional<std::uint16_t> ReadBinaryStep(TSecureChannel& channel, std::uint16_t offset, std::uint16_t length,
                                            TClearBuffers clear, const TStepTexts& texts, std::uint8_t number) {
  if (ExchangeApdu(channel.Protect(BuildReadBinary(offset, length).value()), clear) != 0) {
    LogStep(texts.ConnectionError, number);
    return std::nullopt;
  }
  const std::span<const std::uint8_t> answer = ResponseBytes();
  const std::uint16_t status = GetStatusWord(answer);
  if (status != kSwSuccess && !channel.RefusalIntact(answer)) {
    LogStep(texts.WrongMac, number);
    return std::nullopt;
  }
  return status;
}

bool AcceptStatusStep(std::uint16_t status, const TStepTexts& texts, std::uint8_t number) {
  if (status == kSwSuccess) return true;
  const bool notFound = status == kSwFileNotFound && !texts.FileNotFound.empty();
  LogStep(notFound ? texts.FileNotFound : texts.BadStatus, number, status);
  return false;
}

std::optional<std::size_t> TakeDataStep(TSecureChannel& channel, std::span<std::uint8_t> plaintext,
                                        const TStepTexts& texts, std::uint8_t number) {
  std::size_t length = 0;
  const TUnwrapResult result = channel.OpenDataAnswer(ResponseBytes(), plaintext, length);
  if (result == TUnwrapResult::Ok) return length;
  if (result == TUnwrapResult::WrongMac) LogStep(texts.WrongMac, number);
  return std::nullopt;
}

bool ReadHeaderStep(TSecureChannel& channel, std::optional<std::uint16_t> status, const TStepTexts& texts,
                    std::uint8_t number, TWorkBuffer& work) {
  if (!status || !AcceptStatusStep(*status, texts, number)) return false;
  const std::optional<std::size_t> length = TakeDataStep(channel, work, texts, number);
  if (!length) return false;
  if (*length != kHeaderLength) {
    LogMessage(FormatMessage(kLengthNot4, {static_cast<long long>(*length)}));
    return false;
  }
  return true;
}
