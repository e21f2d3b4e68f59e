#include "bac/MutualAuthentication.h"

#include <algorithm>
#include <array>

#include "bac/BacKeys.h"
#include "card/messaging/SecureMessagingStart.h"
#include "card/messaging/SecureResponses.h"
#include "crypto/ByteOperations.h"
#include "crypto/RandomSource.h"
#include "crypto/RetailMac.h"
#include "crypto/SecretBytes.h"
#include "crypto/TripleDes.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"

namespace {

constexpr std::size_t kChallengeLength = 8;
constexpr std::size_t kChallengeAnswerLength = 10;     // RND.ICC, SW1 SW2
constexpr std::size_t kAuthenticateAnswerLength = 42;  // E_ICC, M_ICC, SW1 SW2
constexpr std::size_t kCryptogramLength = 32;
constexpr std::size_t kStatusWordLength = 2;

// Logs one line and gives it back, as the reason BAC failed.
std::string Log(std::string_view pattern, std::initializer_list<long long> numbers = {}, std::uint32_t status = 0) {
  std::string line = FormatMessage(pattern, numbers, status);
  LogMessage(line);
  return line;
}

}  // namespace

TCommandApdu BuildGetChallenge() { return {0x00, kInsGetChallenge, 0x00, 0x00, {}, kChallengeLength}; }

TCommandApdu BuildMutualAuthenticate(std::span<const std::uint8_t, 40> data) {
  return {0x00, kInsExternalAuthenticate, 0x00, 0x00, TApduBytes(data.begin(), data.end()), data.size()};
}

namespace {

// The exchanges of BAC on the record; one line logged when it fails, and
// given back (empty on success).
std::string Authenticate(const std::string& mrzInformation, TCardSession& session) {
  tMRTD_CTX& ctx = session.TripleDesRecord();
  // The keys are replaced below, so any earlier secure messaging is over: an
  // authentication that fails always leaves BacEnabled false.
  ctx.BacEnabled = false;
  DeriveBacKeys(ComputeKeySeed(mrzInformation), ctx);
  RandomBytes(ctx.RND_IFD);
  RandomBytes(ctx.K_IFD);

  const TCardAnswer challenge = session.TransmitPlain(BuildGetChallenge());
  if (!challenge.Taken()) return Log("MrtdIccGetChallenge connection error.");
  if (challenge.Status() != kSwSuccess)
    return Log("MrtdIccGetChallenge : Wrong status word %x", {}, challenge.Status());
  if (challenge.Response.Data.size() + kStatusWordLength != kChallengeAnswerLength) return Log("RND_ICC error.");
  t64Bit rndIcc{};
  std::copy_n(challenge.Response.Data.begin(), rndIcc.size(), rndIcc.begin());

  // S = RND.IFD || RND.ICC || K.IFD; E_IFD = S under K_Enc; M_IFD = MAC of E_IFD under K_MAC.
  TSecretBytes<kCryptogramLength> s;
  std::ranges::copy(ctx.RND_IFD, s.begin());
  std::ranges::copy(rndIcc, s.begin() + 8);
  std::ranges::copy(ctx.K_IFD, s.begin() + 16);
  ctx.SSC = {};
  std::array<std::uint8_t, 40> data{};
  Encrypt3Des(ctx, s, data, false);
  ctx.SSC = {};
  const t64Bit mIfd = ComputeMac(ctx, std::span<const std::uint8_t>(data).first(kCryptogramLength));
  std::ranges::copy(mIfd, data.begin() + kCryptogramLength);

  const TCardAnswer authenticated = session.TransmitPlain(BuildMutualAuthenticate(data));
  if (!authenticated.Taken()) return Log("MrtdIccMutualAuthenticate connection error.");
  if (authenticated.Status() != kSwSuccess)
    return Log("MrtdIccGetChallenge : Wrong status word %x", {}, authenticated.Status());
  const std::span<const std::uint8_t> answer = authenticated.Response.Data;
  if (answer.size() + kStatusWordLength != kAuthenticateAnswerLength)
    return Log(
        "MrtdIccGetChallenge : Card returned %d bytes instead of %d",
        {static_cast<long long>(answer.size() + kStatusWordLength), static_cast<long long>(kAuthenticateAnswerLength)});

  // The chip proves itself: its MAC over E_ICC (no counter) and our RND.IFD inside R.
  const std::span<const std::uint8_t> eIcc = answer.first(kCryptogramLength);
  const std::span<const std::uint8_t> mIcc = answer.subspan(kCryptogramLength, 8);
  ctx.SSC = {};
  if (!SameBytes(ComputeMac(ctx, eIcc), mIcc)) return Log("MrtdIccMutualAuthenticate : Wrong MAC in card's answer");
  TSecretBytes<kCryptogramLength> r;  // RND.ICC || RND.IFD || K.ICC
  Decrypt3Des(ctx, eIcc, r);
  if (!SameBytes(std::span<const std::uint8_t>(r).subspan(8, 8), ctx.RND_IFD))
    return Log("MrtdIccMutualAuthenticate : Wrong RND.IFD in card's answer");

  t128Bit seed{};
  std::copy_n(r.begin() + 16, seed.size(), seed.begin());  // K.ICC
  XorBytes(seed, ctx.K_IFD);
  DeriveBacKeys(seed, ctx);
  WipeBytes(seed);

  std::copy_n(rndIcc.begin() + 4, 4, ctx.SSC.begin());
  std::copy_n(ctx.RND_IFD.begin() + 4, 4, ctx.SSC.begin() + 4);
  ctx.BacEnabled = true;
  return {};
}

}  // namespace

std::string PerformBac(const std::string& mrzInformation, TCardSession& session) {
  std::string failure = Authenticate(mrzInformation, session);
  UseTripleDesRecord(session);
  return failure;
}
