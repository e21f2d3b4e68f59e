#include "trust/TrustImport.h"

#include <system_error>

#include "trust/TrustFiles.h"

std::vector<std::string> ImportTrustFiles(std::span<const std::filesystem::path> files,
                                          const std::filesystem::path& userFolder) {
  std::vector<std::string> lines;
  for (const auto& file : files) {
    const std::string name = file.filename().string();
    const TTrustFileRead read = ReadTrustFile(file);
    if (!read.Usable) {
      lines.push_back("Not imported " + name + ": " + read.Summary);
      continue;
    }
    std::error_code error;
    std::filesystem::create_directories(userFolder, error);
    const std::filesystem::path target = userFolder / file.filename();
    // A file dropped from the folder itself is already in place.
    std::error_code notThere;
    const bool inPlace = std::filesystem::equivalent(file, target, notThere);
    if (!error && !inPlace)
      std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing, error);
    lines.push_back(error ? "Not imported " + name + ": " + error.message() : "Imported " + name + ": " + read.Summary);
  }
  return lines;
}
