#include "card/messaging/SecureChannel.h"

#include <algorithm>
#include <array>
#include <vector>

#include "card/messaging/SecureResponses.h"
#include "reader/ApduExchange.h"

namespace {

struct TUnwrapError {
  TUnwrapResult Result;
  TCardError Error;
};
constexpr std::array kUnwrapErrors{
    TUnwrapError{TUnwrapResult::Ok, TCardError::None},
    TUnwrapError{TUnwrapResult::TooShort, TCardError::TooShort},
    TUnwrapError{TUnwrapResult::WrongMac, TCardError::WrongMac},
    TUnwrapError{TUnwrapResult::Rejected, TCardError::Rejected},
};

TCardError ErrorOf(TUnwrapResult result) {
  return std::ranges::find_if(kUnwrapErrors, [result](const TUnwrapError& row) { return row.Result == result; })->Error;
}

TCardError IntactOrWrongMac(bool intact) { return intact ? TCardError::None : TCardError::WrongMac; }

}  // namespace

TCardAnswer TSecureChannel::Unwrap(std::span<const std::uint8_t> answer, TAnswerForm form,
                                   std::span<std::uint8_t> plaintext) {
  TCardAnswer taken;
  taken.Response.Status = GetStatusWord(answer);
  if (form == TAnswerForm::StatusWhenAccepted && taken.Status() != kSwSuccess) return taken;
  if (form == TAnswerForm::Status || form == TAnswerForm::StatusWhenAccepted) {
    taken.Error = IntactOrWrongMac(SelectAnswerIntact(answer));
    return taken;
  }
  if (taken.Status() != kSwSuccess) {
    taken.Error = IntactOrWrongMac(RefusalIntact(answer));
    return taken;
  }
  if (form == TAnswerForm::Either && IsProtectedStatusAnswer(answer)) {
    taken.Error = IntactOrWrongMac(SelectAnswerIntact(answer));
    return taken;
  }
  std::vector<std::uint8_t> own;
  if (plaintext.empty()) {
    // An extended answer's cryptogram is never longer than the answer.
    own.resize(std::max(kApduBufferSize, answer.size()));
    plaintext = own;
  }
  std::size_t length = 0;
  taken.Error = ErrorOf(OpenDataAnswer(answer, plaintext, length));
  if (taken.Taken())
    taken.Response.Data.assign(plaintext.begin(), plaintext.begin() + static_cast<std::ptrdiff_t>(length));
  return taken;
}
