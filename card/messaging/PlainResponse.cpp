#include "card/messaging/PlainResponse.h"

#include <algorithm>

#include "output/MessageFormat.h"
#include "output/PiccView.h"

TUnwrapResult UnwrapPlainResponse(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                                  std::size_t& plaintextLength) {
  const std::span<const std::uint8_t> data = answer.first(answer.size() < 2 ? 0 : answer.size() - 2);
  if (data.size() > plaintext.size()) {
    LogMessage(FormatMessage("Hata #5 : %d", {static_cast<long long>(data.size())}));
    return TUnwrapResult::Rejected;
  }
  std::ranges::copy(data, plaintext.begin());
  plaintextLength = data.size();
  return TUnwrapResult::Ok;
}
