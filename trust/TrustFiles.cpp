#include "trust/TrustFiles.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include <openssl/err.h>
#include <openssl/pem.h>

#include "trust/CertificateText.h"
#include "trust/LdifReader.h"
#include "trust/MasterList.h"
#include "trust/TrustAnchor.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
using TFileReader = std::function<void(const TBytes&, TTrustFileRead&)>;

std::string Count(std::size_t count, const std::string& what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

bool LooksPem(const TBytes& bytes) {
  static const std::string kBegin = "-----BEGIN";
  return std::search(bytes.begin(), bytes.end(), kBegin.begin(), kBegin.end()) != bytes.end();
}

TBioPtr MemoryBio(const TBytes& bytes) {
  return TBioPtr(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

// Moves the certificates that may be trust anchors into `into`; returns how
// many were left out and the reason of the first.
std::pair<std::size_t, std::string> TakeAnchors(std::vector<TX509Ptr>& certificates, std::vector<TX509Ptr>& into) {
  std::size_t refused = 0;
  std::string reason;
  for (TX509Ptr& certificate : certificates) {
    if (const auto why = WhyNotTrustAnchor(certificate.get())) {
      if (refused++ == 0) reason = *why;
      continue;
    }
    into.push_back(std::move(certificate));
  }
  certificates.clear();
  return {refused, reason};
}

std::string LeftOut(std::size_t refused, const std::string& reason) {
  return refused == 0 ? std::string() : "; " + Count(refused, "certificate") + " not used (" + reason + ")";
}

void ReadCertificates(const TBytes& bytes, TTrustFileRead& read) {
  std::vector<TX509Ptr> certificates;
  if (LooksPem(bytes)) {
    TBioPtr in = MemoryBio(bytes);
    while (X509* certificate = PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr))
      certificates.emplace_back(certificate);
  } else {
    const unsigned char* cursor = bytes.data();
    if (X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(bytes.size())))
      certificates.emplace_back(certificate);
  }
  if (certificates.empty()) {
    read.Summary = "no certificate in it";
    return;
  }
  const auto [refused, reason] = TakeAnchors(certificates, read.Material.Cscas);
  read.Usable = !read.Material.Cscas.empty();
  read.Summary =
      read.Usable ? Count(read.Material.Cscas.size(), "CSCA certificate") + LeftOut(refused, reason) : reason;
}

// Revoked entries of a CRL; an empty list has no stack at all.
std::size_t RevokedCount(X509_CRL* crl) {
  const int count = sk_X509_REVOKED_num(X509_CRL_get_REVOKED(crl));
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void ReadCrls(const TBytes& bytes, TTrustFileRead& read) {
  if (LooksPem(bytes)) {
    TBioPtr in = MemoryBio(bytes);
    while (X509_CRL* crl = PEM_read_bio_X509_CRL(in.get(), nullptr, nullptr, nullptr))
      read.Material.Crls.emplace_back(crl);
  } else {
    const unsigned char* cursor = bytes.data();
    if (X509_CRL* crl = d2i_X509_CRL(nullptr, &cursor, static_cast<long>(bytes.size())))
      read.Material.Crls.emplace_back(crl);
  }
  read.Usable = !read.Material.Crls.empty();
  if (!read.Usable) {
    read.Summary = "no CRL in it";
    return;
  }
  const X509_CRL* first = read.Material.Crls.front().get();
  read.Summary = Count(read.Material.Crls.size(), "CRL") + " (" + NameText(X509_CRL_get_issuer(first)) + ", issued " +
                 DateText(X509_CRL_get0_lastUpdate(first)) + ", " +
                 Count(RevokedCount(const_cast<X509_CRL*>(first)), "revoked certificate") + ")";
}

std::string MasterListLine(const TMasterList& list) {
  std::string line =
      "master list of " + Count(list.Certificates.size(), "CSCA certificate") + ", " + list.SignatureText;
  if (!list.Signer.empty()) line += ", signed by " + list.Signer;
  if (!list.SignerCertifiedBy.empty()) line += " (certified by " + list.SignerCertifiedBy + ")";
  return line;
}

std::string NotCertified(const TMasterList& list) {
  const std::string country =
      list.SignerCertificate ? NameCountry(X509_get_subject_name(list.SignerCertificate.get())) : std::string();
  return "; not used (signer not certified by a CSCA of " + (country.empty() ? std::string("its country") : country) +
         ")";
}

// A master list's certificates are used only when its own signature verifies
// and a CSCA of its signer's country certified the signer: one in the list
// itself, or (held back until the whole store is read) one of the store.
std::string TakeMasterList(TMasterList& list, TTrustFileRead& read) {
  const std::string line = MasterListLine(list);
  if (!list.SignatureValid) return line + "; its certificates are not used";
  if (list.SignerCertifiedBy.empty()) {
    read.UncertifiedLists.push_back(std::move(list));
    return line;
  }
  const auto [refused, reason] = TakeAnchors(list.Certificates, read.Material.Cscas);
  return line + LeftOut(refused, reason);
}

void ReadMasterListFile(const TBytes& bytes, TTrustFileRead& read) {
  TMasterList list = ReadMasterList(bytes);
  if (!list.Readable) {
    read.Summary = "not a CSCA master list (" + list.Problem + ")";
    return;
  }
  read.Summary = TakeMasterList(list, read);
  read.Usable = !read.Material.Cscas.empty();
}

void ReadLdifFile(const TBytes& bytes, TTrustFileRead& read) {
  TLdifContents contents = ReadLdif(bytes);
  std::vector<std::string> parts;
  for (TMasterList& list : contents.MasterLists) parts.push_back(TakeMasterList(list, read));
  const std::size_t listed = read.Material.Cscas.size();
  const auto [refused, reason] = TakeAnchors(contents.Cscas, read.Material.Cscas);
  const std::size_t entries = read.Material.Cscas.size() - listed;
  std::ranges::move(contents.DocumentSigners, std::back_inserter(read.Material.DocumentSigners));
  std::ranges::move(contents.Crls, std::back_inserter(read.Material.Crls));
  if (entries > 0 || refused > 0 || contents.MasterLists.empty())
    parts.push_back(Count(entries, "CSCA certificate") + LeftOut(refused, reason));
  if (!read.Material.DocumentSigners.empty())
    parts.push_back(Count(read.Material.DocumentSigners.size(), "document signer certificate"));
  if (!read.Material.Crls.empty()) parts.push_back(Count(read.Material.Crls.size(), "CRL"));
  if (contents.Unreadable > 0)
    parts.push_back(Count(static_cast<std::size_t>(contents.Unreadable), "unreadable value"));
  read.Usable = !read.Material.Cscas.empty() || !read.Material.DocumentSigners.empty() || !read.Material.Crls.empty();
  read.Summary = "LDIF: ";
  for (std::size_t i = 0; i < parts.size(); ++i) read.Summary += (i ? "; " : "") + parts[i];
}

const std::map<std::string, TFileReader>& Readers() {
  static const std::map<std::string, TFileReader> readers{
      {".pem", ReadCertificates},  {".crt", ReadCertificates}, {".cer", ReadCertificates}, {".der", ReadCertificates},
      {".ml", ReadMasterListFile}, {".ldif", ReadLdifFile},    {".crl", ReadCrls},
  };
  return readers;
}

std::string Extension(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  std::ranges::transform(extension, extension.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

bool IsTrustFileName(const std::filesystem::path& file) { return Readers().contains(Extension(file)); }

TTrustFileRead ReadTrustFile(const std::filesystem::path& file) {
  TTrustFileRead read;
  const auto reader = Readers().find(Extension(file));
  if (reader == Readers().end()) {
    read.Summary = "not a certificate, master list, LDIF or CRL file name";
    return read;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    read.Summary = "cannot be opened";
    return read;
  }
  const TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  reader->second(bytes, read);
  ERR_clear_error();
  return read;
}

std::vector<std::string> AdmitWithCscas(TTrustFileRead& read, std::span<X509* const> cscas) {
  std::vector<X509*> known(cscas.begin(), cscas.end());
  for (const TX509Ptr& own : read.Material.Cscas) known.push_back(own.get());

  for (TMasterList& list : read.UncertifiedLists) {
    X509* certifier = list.SignerCertificate ? CertifyingCsca(list.SignerCertificate.get(), known) : nullptr;
    if (certifier == nullptr) {
      read.Summary += NotCertified(list);
      continue;
    }
    read.Summary += " (certified by " + NameText(X509_get_subject_name(certifier)) + " of the trust store)";
    const auto [refused, reason] = TakeAnchors(list.Certificates, read.Material.Cscas);
    read.Summary += LeftOut(refused, reason);
  }
  read.UncertifiedLists.clear();

  std::vector<std::string> dropped;
  std::erase_if(read.Material.Crls, [&](const TX509CrlPtr& crl) {
    if (CrlSignedByCsca(crl.get(), known)) return false;
    dropped.push_back(NameText(X509_CRL_get_issuer(crl.get())));
    return true;
  });
  for (const std::string& issuer : dropped)
    read.Summary += "; the CRL of " + issuer + " is not used (its signature verifies under no CSCA key of that name)";
  read.Usable = !read.Material.Cscas.empty() || !read.Material.DocumentSigners.empty() || !read.Material.Crls.empty();
  return dropped;
}
