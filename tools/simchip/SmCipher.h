#pragma once
// The ciphers of the chip's secure messaging (ICAO 9303 part 11, 9.8): two-key
// triple DES with a zero IV and the retail MAC and an 8-byte counter (BAC,
// and Chip Authentication with 3DES), or AES with IV = E(KS_Enc, SSC), CMAC
// cut to 8 bytes and a 16-byte counter (Chip Authentication with AES).

#include <cstdint>
#include <span>

#include "tools/simchip/CardCrypto.h"

namespace simchip {

enum class ESmCipher { TripleDes, Aes };

struct TSmKeys {
  ESmCipher Cipher = ESmCipher::TripleDes;
  TBytes Enc;  // 16 bytes for 3DES; 16, 24 or 32 for AES
  TBytes Mac;
};

TSmKeys TripleDesKeys(const TKeyPair& keys);

// 8 for 3DES, 16 for AES: the padding block and the counter's length.
std::size_t SmBlockSize(ESmCipher cipher);
// Padding method 2 up to a multiple of the block size.
TBytes PadTo(std::span<const std::uint8_t> data, std::size_t blockSize);

// CBC en- and decipherment of whole blocks; counter is the send sequence
// counter of the message (AES derives its IV from it).
TBytes SmEncrypt(const TSmKeys& keys, std::span<const std::uint8_t> counter, std::span<const std::uint8_t> padded);
TBytes SmDecrypt(const TSmKeys& keys, std::span<const std::uint8_t> counter, std::span<const std::uint8_t> padded);
// The 8-byte MAC of counter || data, data padded to the cipher's block size.
TBlock SmMac(const TSmKeys& keys, std::span<const std::uint8_t> counter, std::span<const std::uint8_t> data);

}  // namespace simchip
