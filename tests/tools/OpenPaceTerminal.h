#pragma once
// OpenPACE's terminal side of PACE with Generic Mapping and an MRZ password,
// run against a chip through the harness: the session's keys for the tests'
// own secure messaging afterwards.

#include <openssl/evp.h>

#include <string>

#include "ChipHarness.h"
#include "TerminalSecureMessaging.h"

namespace simchip::testing {

// A BER-TLV object with a one-byte tag and a length below 0x100.
TBytes Object(std::uint8_t tag, const TBytes& value);
// The encoded public key (an uncompressed point, or the DH public value).
TBytes PublicKey(EVP_PKEY& key);

struct TGmProtocol {
  int Nid;          // OpenPACE's NID of the protocol
  const char* Oid;  // its DER content octets in hexadecimal
  int ParameterId;
  bool Aes;
};

// id-PACE-ECDH-GM-AES-CBC-CMAC-128 on brainpoolP256r1.
TGmProtocol EcdhGmAes128();

TTerminalSm OpenPaceGmSession(TChipHarness& harness, const std::string& mrzInformation,
                              const TGmProtocol& protocol = EcdhGmAes128());

}  // namespace simchip::testing
