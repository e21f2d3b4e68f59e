#include "card/FileSteps.h"

#include <algorithm>

#include "card/messaging/PlainCommands.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"

namespace {

constexpr std::string_view kLengthNot4 = "recv_len <>4 :  %d";

// The line a step writes for each error of the session; none for the answers
// the secure messaging has already logged ("Hata #n").
struct TErrorLine {
  TCardError Error;
  std::string_view TStepTexts::*Line;
};
constexpr std::array kErrorLines{
    TErrorLine{TCardError::LinkLost, &TStepTexts::ConnectionError},
    TErrorLine{TCardError::WrongMac, &TStepTexts::WrongMac},
    TErrorLine{TCardError::TooShort, nullptr},
    TErrorLine{TCardError::Rejected, nullptr},
};

void LogError(TCardError error, const TStepTexts& texts, std::uint8_t number) {
  const auto row = std::ranges::find_if(kErrorLines, [error](const TErrorLine& line) { return line.Error == error; });
  if (row != kErrorLines.end() && row->Line) LogStep(texts.*(row->Line), number);
}

}  // namespace

void LogStep(std::string_view pattern, std::uint8_t number, std::uint16_t status) {
  LogMessage(FormatMessage(pattern, {number}, status));
}

bool SelectFileStep(TCardSession& session, const TCommandApdu& command, const TStepTexts& texts, std::uint8_t number,
                    bool securityRefusalGoesOn, TWrapping wrapping) {
  const TCardAnswer answer = session.Transmit(command, {.Form = TAnswerForm::Status, .Wrapping = wrapping});
  if (!answer.Taken()) {
    LogError(answer.Error, texts, number);
    return false;
  }
  if (securityRefusalGoesOn && answer.Status() == kSwSecurityNotSatisfied) return true;
  return AcceptStatusStep(answer.Status(), texts, number);
}

std::optional<TCardAnswer> ReadBinaryStep(TCardSession& session, std::uint16_t offset, std::uint16_t length,
                                          TClearBuffers clear, const TStepTexts& texts, std::uint8_t number,
                                          std::span<std::uint8_t> plaintext) {
  TCardAnswer answer = session.Transmit(BuildReadBinary(offset, length).value(),
                                        {.Form = TAnswerForm::Data, .Plaintext = plaintext, .Clear = clear});
  // A 9000 answer that cannot be opened ends the step when its data is taken.
  if (answer.Error == TCardError::LinkLost || (answer.Status() != kSwSuccess && !answer.Taken())) {
    LogError(answer.Error, texts, number);
    return std::nullopt;
  }
  return answer;
}

bool AcceptStatusStep(std::uint16_t status, const TStepTexts& texts, std::uint8_t number) {
  if (status == kSwSuccess) return true;
  const bool notFound = status == kSwFileNotFound && !texts.FileNotFound.empty();
  LogStep(notFound ? texts.FileNotFound : texts.BadStatus, number, status);
  return false;
}

std::optional<std::size_t> TakeDataStep(const TCardAnswer& answer, const TStepTexts& texts, std::uint8_t number) {
  if (answer.Taken()) return answer.Response.Data.size();
  LogError(answer.Error, texts, number);
  return std::nullopt;
}

bool ReadHeaderStep(const std::optional<TCardAnswer>& answer, const TStepTexts& texts, std::uint8_t number) {
  if (!answer || !AcceptStatusStep(answer->Status(), texts, number)) return false;
  const std::optional<std::size_t> length = TakeDataStep(*answer, texts, number);
  if (!length) return false;
  if (*length != kHeaderLength) {
    LogMessage(FormatMessage(kLengthNot4, {static_cast<long long>(*length)}));
    return false;
  }
  return true;
}
