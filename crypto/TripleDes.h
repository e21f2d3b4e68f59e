#pragma once
// Two-key triple DES (K1 = K3 = encKa, K2 = encKb) in CBC mode with a zero IV
// under the session's encryption key. Each call keys its own cipher.

#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/MrtdContext.h"

// Largest input the cipher work buffer takes with its padding.
// The least work buffer: a short APDU's data and its padding.
inline constexpr std::size_t kCipherWorkSize = 272;

// Pads data (ISO/IEC 9797-1 method 2, see PadData; force adds a block even to
// whole blocks) and enciphers it into output. Returns the enciphered length P.
// Callers give data.size() < output.size(), of any length (an extended
// command's data may pass 271 bytes); should the padded data not fit, output
// receives (and the result counts) only its whole blocks.
std::size_t Encrypt3Des(const tMRTD_CTX& ctx, std::span<const std::uint8_t> data, std::span<std::uint8_t> output,
                        bool force);

// Deciphers the whole blocks of input into output (never reading beyond
// input; a short final block is left out) and returns the deciphered length
// without padding. Output receives no more than its whole blocks.
std::size_t Decrypt3Des(const tMRTD_CTX& ctx, std::span<const std::uint8_t> input, std::span<std::uint8_t> output);
