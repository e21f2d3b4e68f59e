#include "jpeg2000/StreamSignature.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include <QIODevice>

namespace {

constexpr std::size_t kSignatureSize = 8;

struct TSignature {
  std::array<std::uint8_t, kSignatureSize> Bytes;
  std::size_t Compared;  // leading bytes that have to match
  OPJ_CODEC_FORMAT Codec;
};

constexpr std::array kSignatures{
    TSignature{{0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20}, 8, OPJ_CODEC_JP2},
    TSignature{{0xFF, 0x4F, 0xFF, 0x51}, 4, OPJ_CODEC_J2K},
};

}  // namespace

std::optional<OPJ_CODEC_FORMAT> DetectCodec(QIODevice& stream) {
  const QByteArray head = stream.peek(kSignatureSize);
  if (head.size() != static_cast<qsizetype>(kSignatureSize)) return std::nullopt;
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(head.constData()), kSignatureSize);
  for (const TSignature& signature : kSignatures) {
    if (std::equal(signature.Bytes.begin(), signature.Bytes.begin() + signature.Compared, bytes.begin())) {
      return signature.Codec;
    }
  }
  return std::nullopt;
}
