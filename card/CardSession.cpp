#include "card/CardSession.h"

#include <algorithm>

#include "card/messaging/PlainChannel.h"

TCardSession::TCardSession(tMRTD_CTX& tripleDesRecord, TReaderLink& link)
    : record_(tripleDesRecord), link_(link), messaging_(std::make_unique<TPlainChannel>()) {}

TCardSession::~TCardSession() = default;
TCardSession::TCardSession(TCardSession&&) noexcept = default;

std::unique_ptr<TSecureChannel> TCardSession::Install(std::unique_ptr<TSecureChannel> messaging) {
  std::swap(messaging, messaging_);
  return messaging;
}

TCardAnswer TCardSession::Exchange(const TCommandApdu& command, TClearBuffers clear) {
  if (clear == TClearBuffers::Yes) link_.ClearApduBuffers();
  const TApduBytes bytes = command.Encode();
  const std::size_t length = std::min(bytes.size(), link_.SendBuf.size());
  std::copy_n(bytes.begin(), length, link_.SendBuf.begin());
  link_.SendLen = static_cast<std::uint32_t>(length);
  // An extended command may bring an answer of up to 65536 data bytes.
  link_.RecvLen = command.Extended() ? kExtendedResponseCapacity : kResponseCapacity;
  TCardAnswer answer;
  if (const std::int32_t result = link_.TransmitApdu(); result != kScardSuccess) {
    answer.Error = TCardError::LinkLost;
    answer.PcscResult = result;
  }
  return answer;
}

TCardAnswer TCardSession::Transmit(const TCommandApdu& command, const TTransmitOptions& options) {
  const TCommandApdu wrapped = options.Wrapping == TWrapping::EvenWithoutKeys
                                   ? messaging_->ProtectEvenWithoutKeys(command)
                                   : messaging_->Wrap(command);
  last_ = Exchange(wrapped, options.Clear);
  if (last_.Taken()) last_ = messaging_->Unwrap(link_.Response(), options.Form, options.Plaintext);
  return last_;
}

TCardAnswer TCardSession::TransmitPlain(const TCommandApdu& command) {
  last_ = Exchange(command, TClearBuffers::Yes);
  if (last_.Taken()) last_.Response = ParseResponse(link_.Response());
  return last_;
}
