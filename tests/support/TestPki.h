#pragma once
// A small ICAO-style PKI made in the test with OpenSSL: keys, CSCA, link and
// document signer certificates, CRLs, signed EF.SOD files and master lists.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "crypto/OpenSslPointers.h"

namespace testpki {

using TBytes = std::vector<std::uint8_t>;

TEvpPkeyPtr NewEcKey(const char* curve = "P-256");
// P-256 written with explicit parameters: as published, or with 2G as the
// generator (a curve that is no named one).
TEvpPkeyPtr NewExplicitP256Key(bool otherGenerator);
TEvpPkeyPtr NewRsaKey(int bits = 2048);

struct TCertificateFields {
  std::string Country = "DE";
  std::string CommonName;
  std::time_t NotBefore = 0;
  std::time_t NotAfter = 0;
  bool Ca = false;
  long Serial = 1;
};

// Signed by issuerKey; self-signed when issuer is null.
TX509Ptr MakeCertificate(const TCertificateFields& fields, EVP_PKEY* subjectKey, X509* issuer, EVP_PKEY* issuerKey);
TX509CrlPtr MakeCrl(X509* issuer, EVP_PKEY* issuerKey, const std::vector<X509*>& revoked, std::time_t at);

// EF.SOD (0x77 included) listing the hashes of `dataGroups`, signed by the
// document signer, its certificate embedded unless told otherwise.
TBytes MakeSod(const std::map<int, TBytes>& dataGroups, X509* signer, EVP_PKEY* signerKey, bool embedSigner = true,
               const char* hash = "SHA256");
// The same with several SignerInfos, each under its own key, and the
// signature's digest apart from the hashes' (the same when null).
TBytes MakeSodSignedBy(const std::map<int, TBytes>& dataGroups, const std::vector<std::pair<X509*, EVP_PKEY*>>& signers,
                       bool embedSigner = true, const char* hash = "SHA256", const char* signatureHash = nullptr);
TBytes MakeMasterList(const std::vector<X509*>& certificates, X509* signer, EVP_PKEY* signerKey);
TBytes Der(X509* certificate);
TBytes Der(X509_CRL* crl);

// One LDIF attribute line, "attribute:: base64", folded at 76 columns with
// continuation lines that start with a space.
std::string LdifValue(const std::string& attribute, const TBytes& der);

std::time_t Utc(int year, int month, int day);
void WriteFile(const std::filesystem::path& file, const TBytes& bytes);
TBytes ReadFile(const std::filesystem::path& file);
// Flips the last byte of the first place `needle` stands in `haystack`.
bool FlipInside(TBytes& haystack, const TBytes& needle);

}  // namespace testpki
