#pragma once
// The chip's end of ICAO 9303 secure messaging, with triple DES (BAC) or AES
// (after Chip Authentication with AES): it checks the MAC of a protected
// command (CLA 0C), deciphers its data, and protects the answer with DO'87',
// DO'99' and DO'8E'. Every MAC, checked or made, first advances the send
// sequence counter.

#include <cstdint>
#include <optional>
#include <span>

#include "tools/simchip/Apdu.h"
#include "tools/simchip/CardCrypto.h"
#include "tools/simchip/SmCipher.h"

namespace simchip {

// Where chips differ in laying out a protected answer.
struct TWrapLayout {
  bool LongFormLength = false;   // DO'87' length always as 81 LL, even below 0x80
  bool EmptyDataObject = false;  // empty data still gives a DO'87': one enciphered block of padding alone
};

class TSecureChannel {
public:
  // Triple DES, as BAC opens it.
  TSecureChannel(const TKeyPair& sessionKeys, const TBlock& initialCounter);
  // Either cipher, the counter starting at zero (as after Chip Authentication).
  explicit TSecureChannel(TSmKeys sessionKeys);

  // The plain command inside a protected one (CLA without the secure
  // messaging bits, data deciphered, Le from DO'97'); empty when the data
  // objects are malformed or the MAC does not match.
  std::optional<TCommandApdu> Unwrap(const TCommandApdu& command);

  // DO'87' (only for non-empty data, unless the layout asks for it), DO'99'
  // with the status word, DO'8E' over both, then the status word in plain.
  TBytes Wrap(std::span<const std::uint8_t> data, std::uint16_t statusWord, TWrapLayout layout = {});

  // The counter of a 3DES session (std::logic_error for AES).
  TBlock Counter() const;
  // The counter of either cipher: 8 bytes for 3DES, 16 for AES.
  const TBytes& CounterBytes() const { return counter_; }
  const TSmKeys& Keys() const { return keys_; }

private:
  TBlock NextMac(std::span<const std::uint8_t> data);

  TSmKeys keys_;
  TBytes counter_;
};

}  // namespace simchip
