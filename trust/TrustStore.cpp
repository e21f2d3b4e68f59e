#include "trust/TrustStore.h"

#include <cstdlib>
#include <iterator>
#include <string_view>
#include <system_error>

#include <openssl/err.h>

namespace {

std::filesystem::path DataHome() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') return xdg;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "") / ".local/share";
}

std::vector<std::filesystem::path> SplitPathList(std::string_view list) {
  std::vector<std::filesystem::path> folders;
  while (!list.empty()) {
    const std::size_t colon = std::min(list.find(':'), list.size());
    if (colon > 0) folders.emplace_back(list.substr(0, colon));
    list.remove_prefix(std::min(colon + 1, list.size()));
  }
  return folders;
}

template <typename T>
void MoveAll(std::vector<T>& from, std::vector<T>& to) {
  std::ranges::move(from, std::back_inserter(to));
}

}  // namespace

std::vector<std::filesystem::path> TrustStoreFolders() {
  if (const char* list = std::getenv("ZELVAN_TRUST_STORE"); list != nullptr) return SplitPathList(list);
  return {DataHome() / "zelvan/trust", "/etc/zelvan/trust"};
}

std::filesystem::path UserTrustFolder() {
  if (const char* list = std::getenv("ZELVAN_TRUST_STORE"); list != nullptr) {
    const auto folders = SplitPathList(list);
    if (!folders.empty()) return folders.front();
  }
  return DataHome() / "zelvan/trust";
}

TTrustStore::TTrustStore(std::vector<std::filesystem::path> folders) : Folders_(std::move(folders)) { Reload(); }

TTrustStore::TSnapshot TTrustStore::Snapshot() const {
  TSnapshot files;
  for (const auto& folder : Folders_) {
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      if (!it->is_regular_file(error) || !IsTrustFileName(it->path())) continue;
      files[it->path()] = {it->file_size(error), it->last_write_time(error)};
    }
  }
  return files;
}

bool TTrustStore::ReloadIfChanged() {
  if (Snapshot() == Loaded_) return false;
  Reload();
  return true;
}

void TTrustStore::Reload() {
  Loaded_ = Snapshot();
  LoadLog_.clear();
  Material_ = {};
  UnusableCrls_.clear();
  // First every file on its own, then what needs the CSCAs of all of them:
  // master lists certified by a CSCA of another file, CRLs signed by one.
  std::vector<std::pair<std::filesystem::path, TTrustFileRead>> reads;
  std::vector<X509*> cscas;
  for (const auto& [file, stamp] : Loaded_) {
    reads.emplace_back(file, ReadTrustFile(file));
    for (const TX509Ptr& csca : reads.back().second.Material.Cscas) cscas.push_back(csca.get());
  }
  for (auto& [file, read] : reads)
    for (const std::string& issuer : AdmitWithCscas(read, cscas))
      UnusableCrls_.emplace(issuer, "its CRL's signature verifies under no CSCA key of that name");
  for (auto& [file, read] : reads) {
    LoadLog_.push_back(file.filename().string() + ": " + read.Summary);
    if (!read.Usable) continue;
    MoveAll(read.Material.Cscas, Material_.Cscas);
    MoveAll(read.Material.DocumentSigners, Material_.DocumentSigners);
    MoveAll(read.Material.Crls, Material_.Crls);
  }
  Anchors_.reset(X509_STORE_new());
  for (const auto& certificate : Material_.Cscas) X509_STORE_add_cert(Anchors_.get(), certificate.get());
  ERR_clear_error();  // duplicates across lists are refused quietly
  CrlPointers_.clear();
  for (const auto& crl : Material_.Crls) CrlPointers_.push_back(crl.get());
  SignerPointers_.clear();
  for (const auto& certificate : Material_.DocumentSigners) SignerPointers_.push_back(certificate.get());
  CscaPointers_.clear();
  for (const auto& certificate : Material_.Cscas) CscaPointers_.push_back(certificate.get());
}
