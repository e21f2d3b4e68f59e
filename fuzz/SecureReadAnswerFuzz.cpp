// UnwrapReadResponse on a live session. Input: one flag byte, then the answer
// to a protected READ BINARY. With bit 0 of the flag set the answer gets the
// MAC the chip would compute over its DO'87' and DO'99' (wherever its DO'87'
// length puts them), so that the deciphering is reached too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "card/messaging/SecureResponses.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr std::size_t kMacAndStatus = 10;
constexpr std::size_t kPlaintextCapacity = 256;

// The length of the MAC input as the answer's DO'87' length gives it: L + k + 6.
std::optional<std::size_t> MacInputLength(std::span<const std::uint8_t> answer) {
  if (answer.size() < kMacAndStatus) return std::nullopt;
  const std::uint8_t first = answer[1];
  const std::size_t lengthBytes = first < 0x80 ? 0 : first == 0x81 ? 1 : first == 0x82 ? 2 : 3;
  if (lengthBytes > 2) return std::nullopt;
  return answer[1 + lengthBytes] + lengthBytes + 6;
}

void SealMac(const tMRTD_CTX& session, std::vector<std::uint8_t>& answer) {
  const std::optional<std::size_t> covered = MacInputLength(answer);
  if (!covered || *covered > answer.size() - kMacAndStatus) return;
  const t64Bit mac = ChipMac(session, std::span(answer).first(*covered));
  std::copy(mac.begin(), mac.end(), answer.end() - kMacAndStatus);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  tMRTD_CTX session = LiveSession();
  std::vector<std::uint8_t> answer(data + 1, data + size);
  answer.resize(AsReceived(answer).size());
  if (data[0] & 1) SealMac(session, answer);

  const t64Bit counterBefore = session.SSC;
  std::vector<std::uint8_t> plaintext(kPlaintextCapacity);  // on the heap, so an overrun shows
  std::size_t length = 0;
  const TUnwrapResult result = UnwrapReadResponse(session, answer, plaintext, length);

  const bool checked = result == TUnwrapResult::Ok || result == TUnwrapResult::WrongMac;
  if (checked == (session.SSC == counterBefore))
    Finding("the counter moved on an unchecked answer or stood still on a checked one");
  if (result == TUnwrapResult::Ok && length > plaintext.size()) Finding("plaintext longer than its buffer");
  return 0;
}
