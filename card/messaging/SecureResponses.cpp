#include "card/messaging/SecureResponses.h"

#include <algorithm>
#include <array>
#include <optional>

#include "card/BerLength.h"
#include "crypto/ByteOperations.h"
#include "crypto/Padding.h"
#include "crypto/RetailMac.h"
#include "crypto/TripleDes.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"

namespace {

constexpr std::size_t kMacObjectAndStatus = 10;           // the 8 MAC bytes and SW1 SW2 that end every answer
constexpr std::size_t kStatusObjectLength = 4;            // 99 02 SW1 SW2
constexpr std::size_t kProtectedStatusAnswerLength = 16;  // DO'99', DO'8E' (10 bytes), SW1 SW2

// Where the parts of a protected READ BINARY answer lie.
struct TReadAnswerLayout {
  std::size_t LengthBytes = 0;  // k: length bytes after the first one of DO'87'
  std::size_t ValueLength = 0;  // L: indicator byte and cryptogram
  std::size_t MacInputLength() const { return ValueLength + LengthBytes + 6; }
  std::size_t CryptogramStart() const { return 3 + LengthBytes; }
  std::size_t CryptogramLength() const { return ValueLength - 1; }
};

// Reads the DO'87' length (short form, 0x81 or 0x82: an extended answer's
// cryptogram may pass 255 bytes); false for 0x80 and 0x83 and above. The
// checks after it keep the object inside the answer.
bool ReadLayout(std::span<const std::uint8_t> answer, TReadAnswerLayout& layout) {
  const std::optional<TBerLength> length = ParseBerLength(answer.subspan(1));
  if (!length || length->FieldSize > 3) return false;
  layout = {length->FieldSize - 1, length->Value};
  return true;
}

void LogRejection(std::string_view pattern, long long value) { LogMessage(FormatMessage(pattern, {value})); }

}  // namespace

bool CheckSelectResponse(tMRTD_CTX& ctx, std::span<const std::uint8_t> answer) {
  // DO'99' and the MAC bytes; what a short answer lacks stays zero.
  std::array<std::uint8_t, kProtectedStatusAnswerLength> checked{};
  std::copy_n(answer.begin(), std::min(answer.size(), checked.size()), checked.begin());
  const t64Bit mac = ComputeMac(ctx, std::span<const std::uint8_t>(checked).first(kStatusObjectLength));
  return SameBytes(mac, std::span<const std::uint8_t>(checked).subspan(6, mac.size()));
}

bool IsProtectedStatusAnswer(std::span<const std::uint8_t> response) {
  return response.size() == kProtectedStatusAnswerLength && response[0] == 0x99 && response[1] == 0x02 &&
         response[4] == 0x8E && response[5] == 0x08;
}

TUnwrapResult UnwrapReadResponse(tMRTD_CTX& ctx, std::span<const std::uint8_t> answer,
                                 std::span<std::uint8_t> plaintext, std::size_t& plaintextLength) {
  const std::size_t n = answer.size();
  if (n < 10) {
    LogRejection("Hata #1 : %d", static_cast<long long>(n));
    return TUnwrapResult::TooShort;
  }

  // Reject what would make the MAC input or the cryptogram reach beyond the
  // answer, into its MAC, or beyond the caller's buffer.
  TReadAnswerLayout layout;
  if (!ReadLayout(answer, layout)) {
    LogRejection("Hata #2 : %d", answer[1]);
    return TUnwrapResult::Rejected;
  }
  if (layout.MacInputLength() > n - kMacObjectAndStatus) {
    LogRejection("Hata #3 : %d", static_cast<long long>(n));
    return TUnwrapResult::Rejected;
  }
  const long long cryptogramLength = static_cast<long long>(layout.ValueLength) - 1;
  if (cryptogramLength <= 0 || cryptogramLength % kDesBlockSize != 0) {
    LogRejection("Hata #4 : %d", cryptogramLength);
    return TUnwrapResult::Rejected;
  }
  if (static_cast<std::size_t>(cryptogramLength) > plaintext.size()) {
    LogRejection("Hata #5 : %d", cryptogramLength);
    return TUnwrapResult::Rejected;
  }

  const t64Bit mac = ComputeMac(ctx, answer.first(layout.MacInputLength()));
  if (!SameBytes(mac, answer.subspan(n - kMacObjectAndStatus, mac.size()))) return TUnwrapResult::WrongMac;

  plaintextLength = Decrypt3Des(ctx, answer.subspan(layout.CryptogramStart(), layout.CryptogramLength()), plaintext);
  return TUnwrapResult::Ok;
}
