#include "pace/PacePassword.h"

#include "crypto/Sha1Digest.h"

TPacePassword MrzPassword(const std::string& mrzInformation) {
  TSha1Digest digest = Sha1(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(mrzInformation.data()),
                                                          mrzInformation.size()));
  TPacePassword password{TPasswordReference::Mrz, TSecretBuffer(digest)};
  WipeBytes(digest);
  return password;
}

TPacePassword CanPassword(std::span<const std::uint8_t> can) { return {TPasswordReference::Can, TSecretBuffer(can)}; }
