#pragma once
// A folder of its own under the system's temporary folder, removed with everything in it.

#include <cstdlib>
#include <filesystem>
#include <string>

class TTempFolder {
public:
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelvan-test-XXXXXX").string();
    Path_ = mkdtemp(pattern.data());
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path_, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::filesystem::path& Path() const { return Path_; }

private:
  std::filesystem::path Path_;
};
