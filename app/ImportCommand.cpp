#include "app/ImportCommand.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "trust/TrustImport.h"
#include "trust/TrustStore.h"

std::optional<int> RunImportCommand(std::span<const std::string> arguments, std::ostream& out) {
  if (arguments.empty() || arguments.front() != "--import") return std::nullopt;
  const std::vector<std::filesystem::path> files(arguments.begin() + 1, arguments.end());
  if (files.empty()) {
    out << "Usage: zelvan --import FILE...  (.pem .crt .cer .der .ml .ldif .crl)\n";
    return 2;
  }
  const std::filesystem::path folder = UserTrustFolder();
  out << "Trust store folder: " << folder.string() << "\n";
  const TTrustStore store(TrustStoreFolders());
  const std::vector<std::string> lines = ImportTrustFiles(files, folder, store.Cscas());
  for (const std::string& line : lines) out << line << "\n";
  const bool allImported =
      std::ranges::all_of(lines, [](const std::string& line) { return line.starts_with("Imported "); });
  return allImported ? 0 : 1;
}
