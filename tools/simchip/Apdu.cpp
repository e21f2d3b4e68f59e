#include "tools/simchip/Apdu.h"

namespace simchip {

TBytes Response(std::span<const std::uint8_t> data, std::uint16_t statusWord) {
  return TResponseApdu{TBytes(data.begin(), data.end()), statusWord}.Encode();
}

TBytes StatusOnly(std::uint16_t statusWord) { return Response({}, statusWord); }

}  // namespace simchip
