#pragma once
// The CSCA trust store: every trust file in a list of folders (and their
// subfolders), loaded together, and loaded again when a file in them was
// added, removed or changed (ReloadIfChanged, called between reads).

#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "crypto/OpenSslPointers.h"
#include "trust/TrustFiles.h"

// ZELVAN_TRUST_STORE (colon-separated) when set, otherwise
// ${XDG_DATA_HOME:-~/.local/share}/zelvan/trust and /etc/zelvan/trust.
std::vector<std::filesystem::path> TrustStoreFolders();
// Where imported files go: the first folder of ZELVAN_TRUST_STORE when set,
// otherwise ${XDG_DATA_HOME:-~/.local/share}/zelvan/trust.
std::filesystem::path UserTrustFolder();

class TTrustStore {
public:
  TTrustStore() = default;  // empty: every document signer is "not in the trust store"
  explicit TTrustStore(std::vector<std::filesystem::path> folders);

  // Loads again when the folders' files differ from the last load; true then.
  bool ReloadIfChanged();
  void Reload();

  const std::vector<std::filesystem::path>& Folders() const { return Folders_; }
  // One line per file read, "<file name>: <what it added>".
  const std::vector<std::string>& LoadLog() const { return LoadLog_; }
  const TTrustMaterial& Material() const { return Material_; }
  X509_STORE* Anchors() const { return Anchors_.get(); }
  std::span<X509_CRL* const> Crls() const { return CrlPointers_; }
  std::span<X509* const> DocumentSigners() const { return SignerPointers_; }
  std::span<X509* const> Cscas() const { return CscaPointers_; }
  // CRLs left out, by issuer name (as NameText gives it): why.
  const std::map<std::string, std::string>& UnusableCrls() const { return UnusableCrls_; }

private:
  using TSnapshot = std::map<std::filesystem::path, std::pair<std::uintmax_t, std::filesystem::file_time_type>>;
  TSnapshot Snapshot() const;

  std::vector<std::filesystem::path> Folders_;
  TSnapshot Loaded_;
  std::vector<std::string> LoadLog_;
  TTrustMaterial Material_;
  TX509StorePtr Anchors_{X509_STORE_new()};
  std::vector<X509_CRL*> CrlPointers_;
  std::vector<X509*> SignerPointers_;
  std::vector<X509*> CscaPointers_;
  std::map<std::string, std::string> UnusableCrls_;
};
