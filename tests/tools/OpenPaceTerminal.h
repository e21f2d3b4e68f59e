#pragma once
// OpenPACE's terminal side of PACE (Generic Mapping, brainpoolP256r1, AES-128)
// with an MRZ password, run against a chip through the harness: the session's
// keys for the tests' own secure messaging afterwards.

#include <openssl/evp.h>

#include <string>

#include "ChipHarness.h"
#include "TerminalSecureMessaging.h"

namespace simchip::testing {

// A BER-TLV object with a one-byte tag and a length below 0x100.
TBytes Object(std::uint8_t tag, const TBytes& value);
// The encoded public key (an uncompressed point, or the DH public value).
TBytes PublicKey(EVP_PKEY& key);

TTerminalSm OpenPaceGmSession(TChipHarness& harness, const std::string& mrzInformation);

}  // namespace simchip::testing
