#pragma once
// What a reader says of itself through PC/SC's part 10 (SCardControl): the
// features it lists for CM_IOCTL_GET_FEATURE_REQUEST, and among the TLV
// properties of FEATURE_GET_TLV_PROPERTIES the most data one APDU may carry
// (dwMaxAPDUDataSize). A reader that lists no such feature, or gives no such
// property or 0, takes short APDUs only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "reader/PcscApi.h"

// The values of pcsc-lite's reader.h (checked against it where the system
// API is built), so that simulated readers need not include it.
inline constexpr std::uint32_t ScardCtlCode(std::uint32_t code) { return 0x42000000 + code; }
inline constexpr std::uint32_t kIoctlGetFeatureRequest = ScardCtlCode(3400);
inline constexpr std::uint8_t kFeatureGetTlvProperties = 0x12;
inline constexpr std::uint8_t kPropertyMaxApduDataSize = 0x0A;

// The control code of feature `tag` in a feature list (tag, length 4,
// control code big-endian, repeated); nothing when the list does not name it
// or is malformed before it.
std::optional<std::uint32_t> FindFeature(std::span<const std::uint8_t> features, std::uint8_t tag);

// dwMaxAPDUDataSize among TLV properties (tag, length, value little-endian,
// repeated); 0 when absent, malformed, or not 4 bytes long.
std::uint32_t MaxApduDataSize(std::span<const std::uint8_t> properties);

// The most data one APDU may carry through the card connection: asks the
// feature list, then the TLV properties. 0 (short APDUs only) when the
// reader answers neither.
std::uint32_t AskMaxApduDataSize(TPcscApi& api, TScardHandle card);

// What a reader with extended length answers, for simulated readers: the
// feature list naming FEATURE_GET_TLV_PROPERTIES under controlCode; the TLV
// property dwMaxAPDUDataSize of size.
std::array<std::uint8_t, 6> TlvPropertiesFeature(std::uint32_t controlCode);
std::array<std::uint8_t, 6> MaxApduDataSizeProperty(std::uint32_t size);
// The control code a simulated reader gives FEATURE_GET_TLV_PROPERTIES.
inline constexpr std::uint32_t kSimulatedTlvPropertiesCode = ScardCtlCode(3600 + kFeatureGetTlvProperties);
