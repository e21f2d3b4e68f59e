// A whole reading through the real PC/SC stack (the program's reader link,
// pcscd, vsmartcard's vpcd driver and the virtual passport) against its floor
// in the same run: the same number of minimal round trips through the same
// stack, after the same connection. Wall time; runs inside
// tools/virtual-reader/with-virtual-reader.sh.
//
//   subject_us  one reading: the read command on the sample passport
//   floor_us    connecting as the read command does, then as many plain SELECTs
//               of the eMRTD application (answered at once, 90 00) as the
//               reading sends commands
//   ratio       subject / floor
//   commands    commands one reading sends
// and where the time goes, CPU per reading and per floor run (ms):
//   own_cpu, floor_own_cpu    this process (decoder threads included)
//   chip_cpu, floor_chip_cpu  the virtual passport
//   pcscd_cpu, floor_pcscd_cpu  pcscd with its vpcd driver
//   own_added_ms   the program's CPU beyond the floor's (own_cpu - floor_own_cpu)
//   chip_added_ms  the passport's CPU beyond the floor's: its secure messaging,
//                  time the program waits for the chip
//   ratio_less_chip  (subject - chip_added) / floor: the reading without the
//                  simulated chip's extra work

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench/pcscd/ProcessCpu.h"
#include "bench/read/QuietView.h"
#include "bench/read/RecordedExchanges.h"
#include "bench/support/SideBySide.h"
#include "card/CardSession.h"
#include "card/messaging/PlainCommands.h"
#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "reader/ApduExchange.h"
#include "reading/ReadCommand.h"
#include "support/MrzInputs.h"
#include "trust/TrustStore.h"

namespace {

using bench::Seconds;
using bench::TClock;

// The specimen the virtual passport serves by default.
const TReadInputs kInputs = InputsFromMrzInformation("L898902C<369080619406236");
// Why the virtual reader could not be used, if it could not: main fails on it
// with CI=true, where a benchmark left out must not pass unnoticed.
std::string unavailable;

const TCommandApdu kSelectApplication = BuildSelectApplication();

// CPU seconds of this process, the passport and pcscd, summed over the runs of one side.
struct TCpuShares {
  double Own = 0;
  double Chip = 0;
  double Pcscd = 0;
};

class TCpuMeter {
public:
  TCpuMeter(pid_t passport, pid_t pcscd) : passport_(passport), pcscd_(pcscd) {}
  template <typename TRun>
  void Measure(TCpuShares& shares, TRun&& run) const {
    const double own = Seconds(TClock::ProcessCpu), chip = ProcessCpuSeconds(passport_),
                 pcscd = ProcessCpuSeconds(pcscd_);
    run();
    shares.Own += Seconds(TClock::ProcessCpu) - own;
    shares.Chip += ProcessCpuSeconds(passport_) - chip;
    shares.Pcscd += ProcessCpuSeconds(pcscd_) - pcscd;
  }

private:
  pid_t passport_;
  pid_t pcscd_;
};

void ReadThroughPcscd(benchmark::State& state) {
  const char* stateDirectory = std::getenv("ZELVAN_VIRTUAL_READER_STATE");
  if (stateDirectory == nullptr) {
    unavailable = "ZELVAN_VIRTUAL_READER_STATE is not set: runs inside tools/virtual-reader/with-virtual-reader.sh";
    state.SkipWithError(unavailable.c_str());
    return;
  }
  const TCpuMeter meter(PidFromFile(std::filesystem::path(stateDirectory) / "vpassport.pid"),
                        PidFromFile(std::filesystem::path(stateDirectory) / "pcscd.pid"));
  TQuietView view;
  tMRTD_CTX session;
  TJpeg2000Bitmap picture;
  TShownFace shown;
  const TTrustStore trust;
  const TReadState readState{session, picture, shown, trust};
  ResetReaderLink();
  ReaderLink().DiscoverReader();
  if (ReaderLink().ReaderName.empty()) {
    unavailable = "no virtual reader";
    state.SkipWithError(unavailable.c_str());
    return;
  }

  // One reading recorded, to count its commands and check that it works.
  TScriptedCard recorder = RecorderOf(SystemPcscApi());
  SetPcscApi(&recorder);
  RunReadCommand(kInputs, readState);
  SetPcscApi(nullptr);
  const std::size_t commands = recorder.Exchanges.size();
  if (picture.Image().isNull() || view.Picture.isNull()) {
    state.SkipWithError("the reading brought no face");
    return;
  }

  TCpuShares readShares, floorShares;
  const auto read = [&] { meter.Measure(readShares, [&] { RunReadCommand(kInputs, readState); }); };
  bool floorAnswered = true;
  const auto floor = [&] {
    meter.Measure(floorShares, [&] {
      ReaderLink().ConnectCard();
      tMRTD_CTX record{};
      TCardSession session(record);
      for (std::size_t i = 0; i < commands; ++i) {
        const TCardAnswer answer = session.TransmitPlain(kSelectApplication);
        floorAnswered &= answer.Taken() && answer.Response.Data.empty() && (answer.Status() >> 8) == 0x90;
      }
    });
  };
  bench::SideBySide(state, TClock::Wall, 1, read, floor);
  ReaderLink().DisconnectCard();
  if (!floorAnswered) state.SkipWithError("a minimal command was not answered 90 00");
  state.counters["commands"] = static_cast<double>(commands);
  const double perRun = 1e3 / static_cast<double>(state.iterations());
  state.counters["own_cpu"] = readShares.Own * perRun;
  state.counters["chip_cpu"] = readShares.Chip * perRun;
  state.counters["pcscd_cpu"] = readShares.Pcscd * perRun;
  state.counters["floor_own_cpu"] = floorShares.Own * perRun;
  state.counters["floor_chip_cpu"] = floorShares.Chip * perRun;
  state.counters["floor_pcscd_cpu"] = floorShares.Pcscd * perRun;
  const double ownAdded = (readShares.Own - floorShares.Own) * perRun;
  const double chipAdded = (readShares.Chip - floorShares.Chip) * perRun;
  state.counters["own_added_ms"] = ownAdded;
  state.counters["chip_added_ms"] = chipAdded;
  const double subjectMs = state.counters["subject_us"] / 1e3;
  const double floorMs = state.counters["floor_us"] / 1e3;
  state.counters["ratio_less_chip"] = floorMs > 0 ? (subjectMs - chipAdded) / floorMs : 0;
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(ReadThroughPcscd)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Least);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const char* ci = std::getenv("CI");
  if (!unavailable.empty() && ci != nullptr && std::string(ci) == "true") {
    std::cerr << "read_through_pcscd_bench: " << unavailable << "; CI=true, so this fails instead of being skipped\n";
    return 1;
  }
  return 0;
}
