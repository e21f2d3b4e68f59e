#pragma once
// A CSCA master list (the form the German and Dutch authorities publish and
// the ICAO PKD carries): a CMS SignedData of eContentType 2.23.136.1.1.2
// whose content is CscaMasterList ::= SEQUENCE { version INTEGER,
// certList SET OF Certificate }, signed by a master list signer that one of
// the listed CSCAs certified.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crypto/OpenSslPointers.h"

struct TMasterList {
  bool Readable = false;
  std::string Problem;                 // why not readable
  std::vector<TX509Ptr> Certificates;  // the CSCA and link certificates listed
  bool SignatureValid = false;         // the list's own CMS signature
  std::string SignatureText;           // the signature check for the log
  std::string Signer;                  // the signer's subject
  std::string SignerCertifiedBy;       // the listed CSCA of the signer's country that certified it, if any
  TX509Ptr SignerCertificate;          // the signer's certificate, when the list carries it
};

TMasterList ReadMasterList(std::span<const std::uint8_t> der);
