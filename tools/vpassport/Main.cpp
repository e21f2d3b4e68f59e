// zelvan-vpassport: a virtual e-passport for a real pcscd. Loads a document
// file into a simulated chip and serves it through vsmartcard's vpcd driver
// until the driver closes the connection or SIGINT/SIGTERM arrives.

#include <csignal>
#include <iostream>
#include <vector>

#include "tools/pacechip/SeededRandomness.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/vpassport/PaceChoice.h"
#include "tools/vpassport/VpassportOptions.h"
#include "tools/vpassport/VpcdServer.h"

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) { stopRequested = true; }

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const auto parsed = vpassport::ParseVpassportCommandLine(arguments);
  if (!parsed.Options) {
    (parsed.Failed ? std::cerr : std::cout) << parsed.Message;
    return parsed.Failed ? 2 : 0;
  }
  const auto& options = *parsed.Options;
  InstallStopHandlers();
  try {
    const simchip::TDocument document = simchip::LoadDocumentFile(options.Document);
    // OpenPACE, ECDSA signatures and a clone's keys draw from libcrypto: a seed makes them repeat.
    if (options.Chip.RandomSeed) pacechip::UseSeededRandomness(*options.Chip.RandomSeed);
    simchip::TSimulatedChip chip(document, options.Chip);
    const auto pace = vpassport::InstallPace(chip, options, document);
    vpassport::TVpcdConnection connection(options.Host, options.Port, options.Patience, stopRequested);
    std::cout << "zelvan-vpassport: serving \"" << document.Label << "\" to vpcd at " << options.Host << ":"
              << options.Port << std::endl;
    const auto end = vpassport::ServeChip(connection, chip);
    std::cout << "zelvan-vpassport: "
              << (end == vpassport::EServeEnd::Stopped ? "stopped" : "vpcd closed the connection") << std::endl;
  } catch (const std::exception& e) {
    if (stopRequested) return 0;
    std::cerr << "zelvan-vpassport: " << e.what() << std::endl;
    return 1;
  }
  return 0;
}
