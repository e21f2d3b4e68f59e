#pragma once
// Checking and unwrapping the chip's answers under secure messaging, and the
// status word of any answer.

#include <cstddef>
#include <cstdint>
#include <span>

#include "card/messaging/SecureChannel.h"
#include "crypto/MrtdContext.h"
#include "reader/Apdu.h"

// Checks an answer to a protected SELECT (99 02 SW1 SW2 8E 08 MAC SW1 SW2):
// the MAC of its first 4 bytes against bytes 6 to 13. Advances SSC once. Tags
// and length are not examined: the bytes of a short answer are taken as
// followed by zeros, and the comparison fails.
bool CheckSelectResponse(tMRTD_CTX& ctx, std::span<const std::uint8_t> answer);

// True when the answer is the protected form of a bare status word:
// 99 02 SW1 SW2 8E 08 MAC(8) SW1 SW2, 16 bytes. Such answers (a protected
// command refused) are checked with CheckSelectResponse before their status
// word is acted on.
bool IsProtectedStatusAnswer(std::span<const std::uint8_t> response);

// Checks an answer to a protected READ BINARY,
// DO'87' DO'99' DO'8E' SW1 SW2, and deciphers its cryptogram into plaintext;
// plaintextLength receives the deciphered length without padding.
// Advances SSC once, unless the answer is too short or rejected. Nothing
// beyond the answer or beyond plaintext is read or written.
TUnwrapResult UnwrapReadResponse(tMRTD_CTX& ctx, std::span<const std::uint8_t> answer,
                                 std::span<std::uint8_t> plaintext, std::size_t& plaintextLength);
