#include "crypto/RetailMac.h"

#include <algorithm>
#include <vector>

#include "crypto/ByteOperations.h"
#include "crypto/DesCipher.h"
#include "crypto/Padding.h"

t64Bit ComputeMac(tMRTD_CTX& ctx, std::span<const std::uint8_t> data) {
  // Room for the counter, the data (an extended answer's may be long) and a block of padding.
  std::vector<std::uint8_t> message(ctx.SSC.size() + data.size() + kDesBlockSize);
  std::size_t length = 0;
  if (ctx.CounterFromZero || !AllZero(ctx.SSC)) {
    IncrementCounter(ctx.SSC);
    std::ranges::copy(ctx.SSC, message.begin());
    length = ctx.SSC.size();
  }
  const std::size_t dataLength = data.size();
  std::copy_n(data.begin(), dataLength, message.begin() + static_cast<std::ptrdiff_t>(length));
  const std::size_t padded = PadData(message, length + dataLength, true);

  // All blocks but the last: DES-CBC under macKa; H is the last chaining value.
  const std::size_t leading = padded - kDesBlockSize;
  std::vector<std::uint8_t> chained(leading);
  t64Bit h{};
  if (leading > 0) {
    TDesCbc(SingleDesKeys(ctx.macKa()), TCipherDirection::Encrypt)
        .Process(std::span<const std::uint8_t>(message).first(leading), chained);
    std::copy_n(chained.begin() + static_cast<std::ptrdiff_t>(leading - kDesBlockSize), kDesBlockSize, h.begin());
  }
  // The last block: E(macKa), D(macKb), E(macKa) chained on H, which is
  // exactly one block of two-key triple DES in CBC mode with H as the IV.
  t64Bit mac{};
  TDesCbc(TwoKeyTripleDesKeys(ctx.macKa(), ctx.macKb()), TCipherDirection::Encrypt, h)
      .Process(std::span<const std::uint8_t>(message).subspan(leading, kDesBlockSize), mac);
  return mac;
}
