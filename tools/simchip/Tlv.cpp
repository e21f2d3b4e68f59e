#include "tools/simchip/Tlv.h"

#include <stdexcept>

namespace simchip {

void AppendLength(TBytes& to, std::size_t length, ELengthForm form) {
  if (length > 0xFFFF) throw std::length_error("TLV value longer than 65535 bytes");
  if (form == ELengthForm::Long82 || length > 0xFF) {
    to.insert(to.end(), {0x82, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
  } else if (length >= 0x80) {
    to.insert(to.end(), {0x81, static_cast<std::uint8_t>(length)});
  } else {
    to.push_back(static_cast<std::uint8_t>(length));
  }
}

TBytes MakeTlv(std::uint16_t tag, std::span<const std::uint8_t> value, ELengthForm form) {
  TBytes tlv;
  if (tag > 0xFF) tlv.push_back(static_cast<std::uint8_t>(tag >> 8));
  tlv.push_back(static_cast<std::uint8_t>(tag));
  AppendLength(tlv, value.size(), form);
  Append(tlv, value);
  return tlv;
}

std::optional<TTlvObject> ReadTlv(std::span<const std::uint8_t> bytes) {
  std::size_t p = 0;
  if (bytes.empty()) return std::nullopt;
  std::uint16_t tag = bytes[p++];
  if ((tag & 0x1F) == 0x1F) {
    if (p >= bytes.size() || (bytes[p] & 0x80) != 0) return std::nullopt;
    tag = static_cast<std::uint16_t>(tag << 8 | bytes[p++]);
  }
  if (p >= bytes.size()) return std::nullopt;
  const std::uint8_t first = bytes[p++];
  std::size_t length = first;
  if (first >= 0x80) {
    const std::size_t count = first & 0x7F;
    if (count == 0 || count > 2 || p + count > bytes.size()) return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = length << 8 | bytes[p++];
  }
  if (length > bytes.size() - p) return std::nullopt;
  return TTlvObject{tag, bytes.subspan(p, length), p + length};
}

}  // namespace simchip
