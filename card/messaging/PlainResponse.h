#pragma once
// Taking the data of a plain answer (data bytes, then SW1 SW2) from a chip
// read without Basic Access Control.

#include <cstddef>
#include <cstdint>
#include <span>

#include "card/messaging/SecureResponses.h"

// Copies the answer without its status word into plaintext;
// plaintextLength receives the number of data bytes. Data longer than
// plaintext is rejected with "Hata #5 : %d" (its length) and nothing copied.
TUnwrapResult UnwrapPlainResponse(std::span<const std::uint8_t> answer, std::span<std::uint8_t> plaintext,
                                  std::size_t& plaintextLength);
