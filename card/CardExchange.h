#pragma once
// One command/answer exchange with the chip through the reader link's
// buffers: clear both buffers (the piece reads of a data group skip this),
// encode the command, grant 255 bytes for the answer, transmit.

#include <cstdint>
#include <span>

#include "reader/Apdu.h"
#include "reader/ApduExchange.h"

inline constexpr std::uint32_t kResponseCapacity = 255;

enum class TClearBuffers { Yes, No };

// Returns the PC/SC result (also in LastResult); 0 means an answer is in RecvBuf.
std::int32_t ExchangeApdu(const TCommandApdu& command, TClearBuffers clear = TClearBuffers::Yes);

// The answer of the last exchange: the first RecvLen bytes of RecvBuf.
std::span<const std::uint8_t> ResponseBytes();
