#include "crypto/TripleDes.h"

#include <algorithm>

#include "crypto/DesCipher.h"
#include "crypto/Padding.h"
#include "crypto/SecretBuffer.h"

namespace {

std::size_t WholeBlocks(std::size_t length) { return length / kDesBlockSize * kDesBlockSize; }

}  // namespace

std::size_t Encrypt3Des(const tMRTD_CTX& ctx, std::span<const std::uint8_t> data, std::span<std::uint8_t> output,
                        bool force) {
  // Holds plaintext: wiped on return. Extended commands bring more than the
  // short work size; the buffer grows to the data and a block of padding.
  TSecretBuffer work(std::max(kCipherWorkSize, data.size() + kDesBlockSize));
  const std::size_t length = data.size();
  std::copy_n(data.begin(), length, work.data());
  const std::size_t padded = PadData(std::span<std::uint8_t>(work.data(), work.size()), length, force);
  const std::size_t count = std::min(padded, WholeBlocks(output.size()));
  TDesCbc(TwoKeyTripleDesKeys(ctx.encKa(), ctx.encKb()), TCipherDirection::Encrypt)
      .Process(std::span<const std::uint8_t>(work.data(), count), output);
  return count;
}

std::size_t Decrypt3Des(const tMRTD_CTX& ctx, std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
  const std::size_t count = std::min(WholeBlocks(input.size()), WholeBlocks(output.size()));
  TDesCbc(TwoKeyTripleDesKeys(ctx.encKa(), ctx.encKb()), TCipherDirection::Decrypt).Process(input.first(count), output);
  return UnpadData(output.first(count));
}
