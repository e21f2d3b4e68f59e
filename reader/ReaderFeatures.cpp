#include "reader/ReaderFeatures.h"

#include <algorithm>
#include <array>

std::optional<std::uint32_t> FindFeature(std::span<const std::uint8_t> features, std::uint8_t tag) {
  constexpr std::size_t kEntry = 6;  // tag, length 4, the control code
  for (std::size_t at = 0; at + kEntry <= features.size(); at += kEntry) {
    if (features[at + 1] != 4) return std::nullopt;
    if (features[at] != tag) continue;
    return static_cast<std::uint32_t>(features[at + 2]) << 24 | static_cast<std::uint32_t>(features[at + 3]) << 16 |
           static_cast<std::uint32_t>(features[at + 4]) << 8 | features[at + 5];
  }
  return std::nullopt;
}

std::uint32_t MaxApduDataSize(std::span<const std::uint8_t> properties) {
  for (std::size_t at = 0; at + 2 <= properties.size();) {
    const std::uint8_t tag = properties[at];
    const std::size_t length = properties[at + 1];
    if (at + 2 + length > properties.size()) return 0;
    if (tag == kPropertyMaxApduDataSize) {
      if (length != 4) return 0;
      const std::span<const std::uint8_t> value = properties.subspan(at + 2, 4);
      return static_cast<std::uint32_t>(value[0]) | static_cast<std::uint32_t>(value[1]) << 8 |
             static_cast<std::uint32_t>(value[2]) << 16 | static_cast<std::uint32_t>(value[3]) << 24;
    }
    at += 2 + length;
  }
  return 0;
}

std::uint32_t AskMaxApduDataSize(TPcscApi& api, TScardHandle card) {
  std::array<std::uint8_t, 256> answer{};
  std::uint32_t length = 0;
  if (api.Control(card, kIoctlGetFeatureRequest, {}, answer, length) != kScardSuccess) return 0;
  const std::optional<std::uint32_t> tlvProperties =
      FindFeature(std::span<const std::uint8_t>(answer).first(std::min<std::size_t>(length, answer.size())),
                  kFeatureGetTlvProperties);
  if (!tlvProperties) return 0;
  answer.fill(0);
  length = 0;
  if (api.Control(card, *tlvProperties, {}, answer, length) != kScardSuccess) return 0;
  return MaxApduDataSize(std::span<const std::uint8_t>(answer).first(std::min<std::size_t>(length, answer.size())));
}

std::array<std::uint8_t, 6> TlvPropertiesFeature(std::uint32_t controlCode) {
  return {kFeatureGetTlvProperties,
          4,
          static_cast<std::uint8_t>(controlCode >> 24),
          static_cast<std::uint8_t>(controlCode >> 16),
          static_cast<std::uint8_t>(controlCode >> 8),
          static_cast<std::uint8_t>(controlCode)};
}

std::array<std::uint8_t, 6> MaxApduDataSizeProperty(std::uint32_t size) {
  return {kPropertyMaxApduDataSize,
          4,
          static_cast<std::uint8_t>(size),
          static_cast<std::uint8_t>(size >> 8),
          static_cast<std::uint8_t>(size >> 16),
          static_cast<std::uint8_t>(size >> 24)};
}
