// DecodeDG15 over the data group and whatever follows it; a key it takes is
// then used to check a signature of the length it announces.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "activeauth/ActiveAuthenticationCheck.h"
#include "document/DG15.h"
#include "fuzz/FuzzSupport.h"

namespace {

// The longest signature a DG15 key may announce: an RSA modulus of the
// largest size libcrypto uses (16384 bits); EC numbers stay far below.
constexpr std::size_t kLongestSignature = 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<TDG15File> dg15 = DecodeDG15(std::span<const std::uint8_t>(data, size));
  if (!dg15) return 0;
  if (!dg15->Key || dg15->KeyBits <= 0) Finding("a key without size");
  if (dg15->SignatureLength == 0 || dg15->SignatureLength > kLongestSignature) Finding("signature length out of range");

  const std::vector<std::uint8_t> signature(dg15->SignatureLength, 0x5A);
  const std::uint8_t challenge[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const TAaResult result = VerifyActiveAuthentication(*dg15, signature, challenge, "");
  if (result.Verdict == TAaVerdict::Passed) Finding("a made-up signature passed");
  if (result.Reason.empty()) Finding("a verdict without reason");
  return 0;
}
