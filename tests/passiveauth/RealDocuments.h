#pragma once
// The real EF.SOD files and master lists of data/pa, as its manifest.json describes them.

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

struct TRealSod {
  std::string Country;  // two letters
  std::filesystem::path File;
  std::time_t SigningTime = 0;
  std::string HashAlgorithm;  // as the manifest names it, e.g. "sha256"
  int Version = 0;
  std::vector<int> DataGroups;
  std::string DocumentSigner;  // subject
  std::string Csca;            // subject
};

struct TRealMasterList {
  std::filesystem::path File;
  int Certificates = 0;
  std::string Signer;
  std::string SignerIssuer;
};

std::filesystem::path RealDataFolder();
std::vector<TRealSod> RealSods();
std::vector<TRealMasterList> RealMasterLists();
