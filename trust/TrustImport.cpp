#include "trust/TrustImport.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "trust/TrustFiles.h"

namespace {

bool SameContent(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  return first && second &&
         std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(second), std::istreambuf_iterator<char>());
}

// Where the file goes: its own name, unless a different file already has it.
std::filesystem::path TargetFor(const std::filesystem::path& file, const std::filesystem::path& folder) {
  std::filesystem::path target = folder / file.filename();
  std::error_code error;
  for (int n = 2; std::filesystem::exists(target, error); ++n) {
    if (std::filesystem::equivalent(file, target, error) || SameContent(file, target)) return target;
    target = folder / (file.stem().string() + "-" + std::to_string(n) + file.extension().string());
  }
  return target;
}

}  // namespace

std::vector<std::string> ImportTrustFiles(std::span<const std::filesystem::path> files,
                                          const std::filesystem::path& userFolder, std::span<X509* const> cscas) {
  // The files' own CSCAs count for one another (a CSCA and its CRL imported together).
  std::vector<TTrustFileRead> reads;
  std::vector<X509*> known(cscas.begin(), cscas.end());
  for (const auto& file : files) {
    reads.push_back(ReadTrustFile(file));
    for (const TX509Ptr& csca : reads.back().Material.Cscas) known.push_back(csca.get());
  }
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::filesystem::path& file = files[i];
    TTrustFileRead& read = reads[i];
    AdmitWithCscas(read, known);
    const std::string name = file.filename().string();
    if (!read.Usable) {
      lines.push_back("Not imported " + name + ": " + read.Summary);
      continue;
    }
    std::error_code error;
    std::filesystem::create_directories(userFolder, error);
    const std::filesystem::path target = TargetFor(file, userFolder);
    // A file dropped from the folder itself, or one already there, is in place.
    std::error_code notThere;
    const bool inPlace = std::filesystem::exists(target, notThere);
    if (!error && !inPlace) std::filesystem::copy_file(file, target, error);
    const std::string as = target.filename() == file.filename() ? "" : " as " + target.filename().string();
    lines.push_back(error ? "Not imported " + name + ": " + error.message()
                          : "Imported " + name + as + ": " + read.Summary);
  }
  return lines;
}
