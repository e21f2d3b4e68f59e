#pragma once
// The chip's end of ICAO 9303 secure messaging with triple DES: it checks the
// MAC of a protected command (CLA 0C), deciphers its data, and protects the
// answer with DO'87', DO'99' and DO'8E'. Every MAC, checked or made, first
// advances the send sequence counter.

#include <cstdint>
#include <optional>
#include <span>

#include "tools/simchip/Apdu.h"
#include "tools/simchip/CardCrypto.h"

namespace simchip {

class TSecureChannel {
public:
  TSecureChannel(const TKeyPair& sessionKeys, const TBlock& initialCounter);

  // The plain command inside a protected one (CLA without the secure
  // messaging bits, data deciphered, Le from DO'97'); empty when the data
  // objects are malformed or the MAC does not match.
  std::optional<TCommandApdu> Unwrap(const TCommandApdu& command);

  // DO'87' (only for non-empty data), DO'99' with the status word, DO'8E' over
  // both, then the status word in plain.
  TBytes Wrap(std::span<const std::uint8_t> data, std::uint16_t statusWord);

  const TBlock& Counter() const { return counter_; }

private:
  TBlock NextMac(std::span<const std::uint8_t> data);

  TKeyPair keys_;
  TBlock counter_;
};

}  // namespace simchip
