#pragma once
// Adding trust files to the user's trust store folder: each file is read as
// the store reads it and copied only when it is usable.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

// One line per file: "Imported <name>: <what it added>" or "Not imported <name>: <why>".
std::vector<std::string> ImportTrustFiles(std::span<const std::filesystem::path> files,
                                          const std::filesystem::path& userFolder);
