// PACE against any answers to its GENERAL AUTHENTICATE steps. Input: one
// byte choosing the PACEInfo (ECDH or DH, AES or 3DES), then the chip's
// answers, each as a length byte and that many bytes (status word included).
// The terminal's random bytes are fixed. Whatever the chip says, PACE must
// end without a crash and may be established only after a token that holds.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "crypto/RandomSource.h"
#include "fuzz/FuzzSupport.h"
#include "pace/PaceAuthentication.h"
#include "reader/ApduExchange.h"
#include "reader/PcscApi.h"
#include "support/Hex.h"
#include "support/NullView.h"
#include "support/ScopedSeam.h"
#include "support/ScriptedCard.h"
#include "support/SeededRandomSource.h"

namespace {

const std::array kInfos{
    TPaceInfo{Hex("04007F00070202040202"), 2, 13},  // ECDH, AES-128, brainpoolP256r1
    TPaceInfo{Hex("04007F00070202040201"), 2, 8},   // ECDH, 3DES, P-192
    TPaceInfo{Hex("04007F00070202040102"), 2, 0},   // DH, AES-128, 1024-bit group
    TPaceInfo{Hex("04007F00070202040204"), 2, 18},  // ECDH, AES-256, P-521
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const TPaceInfo& info = kInfos[data[0] % kInfos.size()];
  TNullView view;
  TScriptedCard card;
  card.Recording = false;
  const TScopedSeam<TPcscApi> seam(card, PcscApi, SetPcscApi);
  TSeededRandomSource random(9303);
  random.Recording = false;
  SetRandomSource(&random);
  ResetReaderLink();
  // MSE:Set AT is accepted; the rest comes from the input.
  card.Script.push_back({Hex("9000")});
  std::span<const std::uint8_t> rest(data + 1, size - 1);
  while (!rest.empty()) {
    const std::size_t length = std::min<std::size_t>(rest[0], rest.size() - 1);
    card.Script.push_back({TBytes(rest.begin() + 1, rest.begin() + 1 + static_cast<std::ptrdiff_t>(length))});
    rest = rest.subspan(1 + length);
  }

  tMRTD_CTX ctx{};
  const TPacePassword password = MrzPassword("T22000129364081251010318");
  TCardSession session(ctx);
  const TSecureChannel* before = &session.Messaging();
  const TPaceResult result = PerformPace(password, std::span(&info, 1), session);
  if (result.Outcome == TPaceOutcome::Established && &session.Messaging() == before)
    Finding("established without secure messaging");
  if (result.Outcome != TPaceOutcome::Established && ctx.BacEnabled) Finding("secure messaging on after a failure");
  SetRandomSource(nullptr);
  ResetReaderLink();
  return 0;
}
