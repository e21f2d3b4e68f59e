#pragma once
// One command/answer exchange with the chip through the process-wide buffers:
// clear both buffers (the piece reads of a data group skip this), build the
// command, grant 255 bytes for the answer, transmit.

#include <cstdint>
#include <functional>
#include <span>

#include "reader/ApduExchange.h"

inline constexpr std::uint32_t kResponseCapacity = 255;

enum class TClearBuffers { Yes, No };

using TCommandBuilder = std::function<void(TApduBuffer& command, std::uint32_t& commandLength)>;

// Returns the PC/SC result (also in LastResult); 0 means an answer is in RecvBuf.
std::int32_t ExchangeApdu(const TCommandBuilder& build, TClearBuffers clear = TClearBuffers::Yes);

// The answer of the last exchange: the first RecvLen bytes of RecvBuf.
std::span<const std::uint8_t> ResponseBytes();
