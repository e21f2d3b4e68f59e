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
    if (!error)
      std::filesystem::copy_file(file, userFolder / file.filename(), std::filesystem::copy_options::overwrite_existing,
                                 error);
    lines.push_back(error ? "Not imported " + name + ": " + error.message() : "Imported " + name + ": " + read.Summary);
  }
  return lines;
}
