#pragma once
// What a reader's answer to reset tells of the card: whether it is a
// contactless one. A PC/SC reader reports an ISO/IEC 14443 card with an ATR
// of its own making, built as PC/SC lays down for contactless cards: TS 3B,
// T0 8x (x historical bytes), TD1 80, TD2 01, then the historical bytes.

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kMaxAtrSize = 33;

bool IsContactlessAtr(std::span<const std::uint8_t> atr);
