#include "crypto/TripleDes.h"

#include <algorithm>

#include "crypto/DesCipher.h"
#include "crypto/Padding.h"
#include "crypto/SecretBytes.h"

namespace {

std::size_t WholeBlocks(std::size_t length) { return length / kDesBlockSize * kDesBlockSize; }

}  // namespace

std::size_t Encrypt3Des(const tMRTD_CTX& ctx, std::span<const std::uint8_t> data, std::span<std::uint8_t> output,
                        bool force) {
  TSecretBytes<kCipherWorkSize> work;  // holds plaintext: wiped on return
  const std::size_t length = std::min(data.size(), kCipherWorkSize - 1);
  std::copy_n(data.begin(), length, work.begin());
  const std::size_t padded = PadData(work, length, force);
  const std::size_t count = std::min(padded, WholeBlocks(output.size()));
  TDesCbc(TwoKeyTripleDesKeys(ctx.encKa(), ctx.encKb()), TCipherDirection::Encrypt)
      .Process(std::span<const std::uint8_t>(work).first(count), output);
  return count;
}

std::size_t Decrypt3Des(const tMRTD_CTX& ctx, std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
  const std::size_t count = std::min(WholeBlocks(input.size()), WholeBlocks(output.size()));
  TDesCbc(TwoKeyTripleDesKeys(ctx.encKa(), ctx.encKb()), TCipherDirection::Decrypt).Process(input.first(count), output);
  return UnpadData(output.first(count));
}
