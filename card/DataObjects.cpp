#include "card/DataObjects.h"

#include "card/BerLength.h"

void AppendDataObject(std::vector<std::uint8_t>& out, std::uint16_t tag, std::span<const std::uint8_t> value) {
  if (tag > 0xFF) out.push_back(static_cast<std::uint8_t>(tag >> 8));
  out.push_back(static_cast<std::uint8_t>(tag));
  const std::size_t length = value.size();
  if (length > 0xFF) {
    out.insert(out.end(), {0x82, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
  } else if (length > 0x7F) {
    out.insert(out.end(), {0x81, static_cast<std::uint8_t>(length)});
  } else {
    out.push_back(static_cast<std::uint8_t>(length));
  }
  out.insert(out.end(), value.begin(), value.end());
}

std::optional<TDataObject> ReadDataObject(std::span<const std::uint8_t> bytes) {
  std::size_t at = 0;
  if (bytes.empty()) return std::nullopt;
  std::uint16_t tag = bytes[at++];
  if ((tag & 0x1F) == 0x1F) {  // a second tag byte
    if (at >= bytes.size() || (bytes[at] & 0x80) != 0) return std::nullopt;
    tag = static_cast<std::uint16_t>(tag << 8 | bytes[at++]);
  }
  const std::optional<TBerLength> length = ParseBerLength(bytes.subspan(at));
  if (!length) return std::nullopt;
  at += length->FieldSize;
  if (bytes.size() - at < length->Value) return std::nullopt;
  return TDataObject{tag, bytes.subspan(at, length->Value), at + length->Value};
}

std::optional<std::span<const std::uint8_t>> FindDataObject(std::span<const std::uint8_t> bytes, std::uint16_t tag) {
  while (!bytes.empty()) {
    const std::optional<TDataObject> object = ReadDataObject(bytes);
    if (!object) return std::nullopt;
    if (object->Tag == tag) return object->Value;
    bytes = bytes.subspan(object->Length);
  }
  return std::nullopt;
}

std::vector<std::uint8_t> ExpectedLengthValue(std::size_t le, bool extended) {
  if (!extended) return {static_cast<std::uint8_t>(le & 0xFF)};
  return {static_cast<std::uint8_t>(le >> 8 & 0xFF), static_cast<std::uint8_t>(le & 0xFF)};
}
