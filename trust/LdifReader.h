#pragma once
// An ICAO PKD download in LDIF (RFC 2849): entries of master lists
// (pkdMasterListContent), CSCA certificates (cACertificate, or entries under
// o=csca / o=lc), document signer certificates (userCertificate under o=dsc)
// and CRLs (certificateRevocationList). Values are base64 ("attr:: ...")
// folded over lines that start with one space.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crypto/OpenSslPointers.h"
#include "trust/MasterList.h"

struct TLdifContents {
  std::vector<TMasterList> MasterLists;
  std::vector<TX509Ptr> Cscas;
  std::vector<TX509Ptr> DocumentSigners;
  std::vector<TX509CrlPtr> Crls;
  int Unreadable = 0;  // values that did not decode as what their attribute names
};

TLdifContents ReadLdif(std::span<const std::uint8_t> text);
