#pragma once
// One file of a trust store folder read by its kind, known from its name:
// certificates (.pem .crt .cer .der, PEM or DER), CSCA master lists (.ml),
// ICAO PKD LDIF (.ldif) and CRLs (.crl, PEM or DER).

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "crypto/OpenSslPointers.h"
#include "trust/MasterList.h"

struct TTrustMaterial {
  std::vector<TX509Ptr> Cscas;            // trust anchors: CSCA and link certificates
  std::vector<TX509Ptr> DocumentSigners;  // for SODs that do not carry their signer's
  std::vector<TX509CrlPtr> Crls;
};

struct TTrustFileRead {
  bool Usable = false;  // read, and for master lists their signature verifies
  TTrustMaterial Material;
  std::string Summary;  // one line: what the file added, or why nothing
  // Master lists whose signature verifies but whose signer no CSCA of the
  // signer's country in the list certified: used once a CSCA of the trust
  // store certifies it (AdmitWithCscas).
  std::vector<TMasterList> UncertifiedLists;
};

bool IsTrustFileName(const std::filesystem::path& file);
// The file on its own: certificates that cannot be trust anchors and master
// lists whose signer the list does not certify are left out or held back.
TTrustFileRead ReadTrustFile(const std::filesystem::path& file);

// What needs the CSCAs of the whole store: the held-back master lists whose
// signer one of `cscas` certifies are taken, the others are not used; CRLs
// whose signature verifies under no CSCA key of their issuer's name (among
// `cscas` and the file's own) are dropped. Each outcome joins the summary;
// Usable is set again. Returns, for every CRL dropped, its issuer.
std::vector<std::string> AdmitWithCscas(TTrustFileRead& read, std::span<X509* const> cscas);
