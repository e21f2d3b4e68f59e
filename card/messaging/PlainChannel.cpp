#include "card/messaging/PlainChannel.h"

#include "card/messaging/PlainResponse.h"

TUnwrapResult TPlainChannel::OpenDataAnswer(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                                            std::size_t& length) {
  return UnwrapPlainResponse(answer, plaintext, length);
}
