#pragma once
// The command line of zelvan-vpassport.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/SimulatedChip.h"

namespace vpassport {

inline constexpr std::uint16_t kDefaultVpcdPort = 35963;

struct TVpassportOptions {
  std::filesystem::path Document;
  std::string Host = "127.0.0.1";
  std::uint16_t Port = kDefaultVpcdPort;
  std::chrono::milliseconds Patience{10000};  // how long to wait for vpcd to listen
  simchip::TChipOptions Chip;
  pacechip::TPaceChipOptions Pace;  // no offers: no EF.CardAccess, BAC only
  bool CloneCam = false;            // PACE-CAM answered with a fresh key instead of the document's pace-cam key
};

struct TParsedCommandLine {
  std::optional<TVpassportOptions> Options;  // empty: print Message and stop
  std::string Message;                       // the usage, or what is wrong
  bool Failed = false;
};

TParsedCommandLine ParseVpassportCommandLine(std::span<const std::string_view> arguments);
std::string VpassportUsage();

}  // namespace vpassport
