// zelvan-card-probe: talks to the virtual passport through the system's
// pcsc-lite.
//
//   zelvan-card-probe wait [--reader TEXT] [--timeout SECONDS]
//       waits until a reader whose name contains TEXT (default ACR122) holds
//       a card that answers SELECT of the eMRTD application with 90 00
//   zelvan-card-probe smoke --document FILE [--reader TEXT]
//       runs the smoke checks against the card serving that document
//   zelvan-card-probe reader [--reader TEXT]
//       exits 0 when the resource manager lists a reader whose name contains
//       TEXT (default ACR122), 1 otherwise

#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "tools/simchip/DocumentFile.h"
#include "tools/virtual-reader/PcscSession.h"
#include "tools/virtual-reader/SmokeChecks.h"

namespace {

struct TProbeOptions {
  std::string Mode;
  std::string Reader = "ACR122";
  std::string Document;
  int TimeoutSeconds = 20;
};

bool CardAnswers(const std::string& readerSubstring) {
  try {
    vreader::TPcscSession pcsc;
    for (const auto& name : pcsc.Readers()) {
      if (name.find(readerSubstring) == std::string::npos) continue;
      if (pcsc.Connect(name) != SCARD_S_SUCCESS) return false;
      const auto answer = pcsc.Transmit(simchip::Hex("00A4040C07A0000002471001"));
      return answer && simchip::ToHex(*answer) == "9000";
    }
  } catch (const std::exception&) {
    // no resource manager yet
  }
  return false;
}

bool ReaderListed(const std::string& readerSubstring) {
  try {
    vreader::TPcscSession pcsc;
    for (const auto& name : pcsc.Readers())
      if (name.find(readerSubstring) != std::string::npos) return true;
  } catch (const std::exception&) {
    // no resource manager
  }
  return false;
}

int Wait(const TProbeOptions& options) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.TimeoutSeconds);
  while (!CardAnswers(options.Reader)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      std::cerr << "zelvan-card-probe: no card answered in a reader named *" << options.Reader << "* within "
                << options.TimeoutSeconds << " s" << std::endl;
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return 0;
}

int Usage() {
  std::cerr << "Usage: zelvan-card-probe wait [--reader TEXT] [--timeout SECONDS]\n"
               "       zelvan-card-probe smoke --document FILE [--reader TEXT]\n"
               "       zelvan-card-probe reader [--reader TEXT]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  TProbeOptions options;
  options.Mode = args[0];
  for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--reader")
      options.Reader = args[i + 1];
    else if (args[i] == "--document")
      options.Document = args[i + 1];
    else if (args[i] == "--timeout")
      options.TimeoutSeconds = std::stoi(args[i + 1]);
    else
      return Usage();
  }
  if (args.size() % 2 == 0) return Usage();
  try {
    if (options.Mode == "wait") return Wait(options);
    if (options.Mode == "reader") return ReaderListed(options.Reader) ? 0 : 1;
    if (options.Mode == "smoke" && !options.Document.empty())
      return vreader::RunSmokeChecks(simchip::LoadDocumentFile(options.Document), options.Reader) == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "zelvan-card-probe: " << e.what() << std::endl;
    return 1;
  }
  return Usage();
}
