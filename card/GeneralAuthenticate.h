#pragma once
// ISO/IEC 7816-4 commands that PACE and Chip Authentication share: MANAGE
// SECURITY ENVIRONMENT and GENERAL AUTHENTICATE with its dynamic
// authentication data (7C), and the objects taken out of its answer.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "reader/Apdu.h"

inline constexpr std::uint8_t kInsManageSecurityEnvironment = 0x22;
inline constexpr std::uint8_t kInsGeneralAuthenticate = 0x86;
inline constexpr std::uint8_t kChainedClass = 0x10;
inline constexpr std::uint16_t kDynamicAuthenticationData = 0x7C;

// 10 86 00 00 Lc 7C L <dynamic authentication data> 00; the last step with
// CLA 00. Data beyond a short command's 255 bytes make it extended, Le 00 00.
TCommandApdu BuildGeneralAuthenticate(std::uint8_t tag, std::span<const std::uint8_t> value, bool last);
// The value of object `tag` inside the 7C of a GENERAL AUTHENTICATE answer's
// data; nothing when it is absent or the answer is malformed.
std::optional<std::vector<std::uint8_t>> AuthenticationDataObject(std::span<const std::uint8_t> data,
                                                                  std::uint16_t tag);
