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

void ReadCertificates(const TBytes& bytes, TTrustFileRead& read) {
  if (LooksPem(bytes)) {
    TBioPtr in = MemoryBio(bytes);
    while (X509* certificate = PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr))
      read.Material.Cscas.emplace_back(certificate);
  } else {
    const unsigned char* cursor = bytes.data();
    if (X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(bytes.size())))
      read.Material.Cscas.emplace_back(certificate);
  }
  read.Usable = !read.Material.Cscas.empty();
  read.Summary = read.Usable ? Count(read.Material.Cscas.size(), "CSCA certificate") : "no certificate in it";
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
  read.Summary =
      Count(read.Material.Crls.size(), "CRL") + " (" + NameText(X509_CRL_get_issuer(first)) + ", issued " +
      DateText(X509_CRL_get0_lastUpdate(first)) + ", " +
      Count(static_cast<std::size_t>(sk_X509_REVOKED_num(X509_CRL_get_REVOKED(const_cast<X509_CRL*>(first)))),
            "revoked certificate") +
      ")";
}

// A master list's certificates are used only when its own signature verifies.
std::string TakeMasterList(TMasterList& list, TTrustMaterial& into) {
  std::string line =
      "master list of " + Count(list.Certificates.size(), "CSCA certificate") + ", " + list.SignatureText;
  if (!list.Signer.empty()) line += ", signed by " + list.Signer;
  if (!list.SignerCertifiedBy.empty()) line += " (certified by " + list.SignerCertifiedBy + ")";
  if (!list.SignatureValid) return line + "; its certificates are not used";
  std::ranges::move(list.Certificates, std::back_inserter(into.Cscas));
  return line;
}

void ReadMasterListFile(const TBytes& bytes, TTrustFileRead& read) {
  TMasterList list = ReadMasterList(bytes);
  if (!list.Readable) {
    read.Summary = "not a CSCA master list (" + list.Problem + ")";
    return;
  }
  read.Summary = TakeMasterList(list, read.Material);
  read.Usable = list.SignatureValid;
}

void ReadLdifFile(const TBytes& bytes, TTrustFileRead& read) {
  TLdifContents contents = ReadLdif(bytes);
  std::vector<std::string> parts;
  for (TMasterList& list : contents.MasterLists) parts.push_back(TakeMasterList(list, read.Material));
  std::ranges::move(contents.Cscas, std::back_inserter(read.Material.Cscas));
  std::ranges::move(contents.DocumentSigners, std::back_inserter(read.Material.DocumentSigners));
  std::ranges::move(contents.Crls, std::back_inserter(read.Material.Crls));
  if (!contents.Cscas.empty() || contents.MasterLists.empty())
    parts.push_back(Count(contents.Cscas.size(), "CSCA certificate"));
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
