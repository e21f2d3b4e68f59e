// CheckSelectResponse and the reading of a protected refusal on a live
// session. Input: one flag byte, then the answer to a protected SELECT. With
// bit 0 set the answer's bytes 6 to 13 get the chip's MAC over its first 4.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "card/messaging/SecureResponses.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr std::size_t kStatusObject = 4;      // 99 02 SW1 SW2
constexpr std::size_t kMacAt = 6;             // after 8E 08
constexpr std::size_t kProtectedAnswer = 16;  // DO'99', DO'8E', SW1 SW2

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  tMRTD_CTX session = LiveSession();
  std::vector<std::uint8_t> answer(data + 1, data + size);
  answer.resize(AsReceived(answer).size());
  // The MAC the chip would make: what a true answer must carry (zeros stand
  // behind a short answer).
  const auto padded = [&answer] {
    std::vector<std::uint8_t> seen(kProtectedAnswer, 0);
    std::copy_n(answer.begin(), std::min(answer.size(), seen.size()), seen.begin());
    return seen;
  };
  const std::vector<std::uint8_t> before = padded();
  const t64Bit expected = ChipMac(session, std::span(before).first(kStatusObject));
  if ((data[0] & 1) && answer.size() >= kMacAt + expected.size())
    std::copy(expected.begin(), expected.end(), answer.begin() + kMacAt);

  const std::uint16_t status = GetStatusWord(answer);
  const bool protectedForm = IsProtectedStatusAnswer(answer);
  if (protectedForm && answer.size() != kProtectedAnswer) Finding("protected refusal of another length");
  if (answer.size() < 2 && status != kSwNoStatus) Finding("status word of a short answer");

  const bool intact = CheckSelectResponse(session, answer);
  const std::vector<std::uint8_t> seen = padded();
  const bool macMatches = std::equal(expected.begin(), expected.end(), seen.begin() + kMacAt);
  if (intact != macMatches) Finding("select answer judged against another MAC");
  return 0;
}
