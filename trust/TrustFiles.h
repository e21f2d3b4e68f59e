#pragma once
// One file of a trust store folder read by its kind, known from its name:
// certificates (.pem .crt .cer .der, PEM or DER), CSCA master lists (.ml),
// ICAO PKD LDIF (.ldif) and CRLs (.crl, PEM or DER).

#include <filesystem>
#include <string>
#include <vector>

#include "crypto/OpenSslPointers.h"

struct TTrustMaterial {
  std::vector<TX509Ptr> Cscas;            // trust anchors: CSCA and link certificates
  std::vector<TX509Ptr> DocumentSigners;  // for SODs that do not carry their signer's
  std::vector<TX509CrlPtr> Crls;
};

struct TTrustFileRead {
  bool Usable = false;  // read, and for master lists their signature verifies
  TTrustMaterial Material;
  std::string Summary;  // one line: what the file added, or why nothing
};

bool IsTrustFileName(const std::filesystem::path& file);
TTrustFileRead ReadTrustFile(const std::filesystem::path& file);
