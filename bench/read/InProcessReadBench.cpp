// A whole reading in process: the read command on the sample passport (a
// ~16 KB JPEG 2000 face), the chip simulated or its recorded answers played
// back. All times are CPU time of the process (both decoder threads
// included), per reading; each iteration runs every variant once, in turn.
//
// ReadCommand (a view that keeps nothing, as below the window):
//   whole_ms     the read command on played-back answers: the program's own work
//   access_ms    of it: connection, BAC, secure messaging and file reading
//                (the same commands, answers played back)
//   picture_ms   of it: taking the face out of DG2, decoding it, handing it over
//   decoding_ms  the rest: EF.COM, DG1 and DG11 decoding, log lines and fields
//   chip_ms      the simulated chip's own work (the reading on the chip less whole_ms)
//   commands     commands sent in one reading
//   subject_us   whole_ms per command; floor_us, the budget per command: 1 % of
//                a 20 ms contactless round trip; ratio = subject_us / floor_us
// WindowRead: the same through the window's button on the offscreen platform
//   (log, edits, progress bar, the scaled picture), answers played back.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QTextEdit>

#include <algorithm>
#include <memory>

#include "app/frmZelvan.h"
#include "bac/MrzInformation.h"
#include "bench/read/QuietView.h"
#include "bench/read/RecordedExchanges.h"
#include "bench/read/SampleReading.h"
#include "bench/support/SideBySide.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "document/face/FaceImage.h"
#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "reading/ReadCommand.h"
#include "trust/TrustStore.h"
#include "ui_frmZelvan.h"

namespace {

constexpr double kBudgetPerCommand = 200e-6;  // 1 % of a 20 ms round trip
constexpr std::uint8_t kDataGroups[] = {1, 11, 2};

using bench::Seconds;
using bench::TClock;

template <typename TRun>
double CpuTime(TRun&& run) {
  const double start = Seconds(TClock::ProcessCpu);
  run();
  return Seconds(TClock::ProcessCpu) - start;
}

void ReadCommand(benchmark::State& state) {
  TQuietView view;
  TSampleReading sample(ZELVAN_SAMPLE_PASSPORT);
  tMRTD_CTX session;
  TJpeg2000Bitmap picture;
  TShownFace shown;
  const TTrustStore trust;
  const TReadState readState{session, picture, shown, trust};
  const auto read = [&] { RunReadCommand(sample.Inputs(), readState); };

  TScriptedCard replay = ReplayOf(sample.Record([&] {
    ResetReaderLink();
    ReaderLink().DiscoverReader();
    read();
  }));
  if (picture.Image().isNull() || view.Picture.isNull()) {
    state.SkipWithError("the recorded reading brought no face");
    return;
  }
  const std::string mrzInformation =
      BuildMrzInformation(sample.Inputs().DocumentNumber, sample.Inputs().DateOfBirth, sample.Inputs().DateOfExpiry);
  TMemoryStream faceStream;  // the stream as the reading leaves it for the picture
  const auto access = [&] {
    ReaderLink().ConnectCard();
    TEFComBuffer efCom{};
    TCardSession card(session);
    OpenDocument(mrzInformation, efCom, card);
    faceStream = TMemoryStream();
    for (const std::uint8_t dataGroup : kDataGroups) ReadDataGroup(dataGroup, faceStream, card);
  };
  // The access part alone, recorded on its own: the whole reading runs Chip
  // Authentication between BAC and the data groups, this part does not.
  TScriptedCard accessReplay = ReplayOf(sample.Record([&] {
    ResetReaderLink();
    ReaderLink().DiscoverReader();
    access();
  }));
  const auto showFace = [&] {
    const TExtractedFace face = ExtractFaceImage(faceStream, picture);
    view.ShowPicture(shown.Choose(face, picture));
  };

  double whole = 0, accessTime = 0, pictureTime = 0, onChip = 0;
  for (auto _ : state) {
    SetPcscApi(&replay);
    whole += CpuTime(read);
    SetPcscApi(&accessReplay);
    accessTime += CpuTime(access);
    pictureTime += CpuTime(showFace);
    SetPcscApi(&sample.SimulatedReader());
    onChip += CpuTime(read);
    SetPcscApi(nullptr);
    sample.Chip().ClearJournal();
    sample.SimulatedReader().ClearSentCommands();
  }
  const double reads = static_cast<double>(state.iterations());
  const double commands = static_cast<double>(replay.Played());
  if (replay.Mismatches != 0 || accessReplay.Mismatches != 0)
    state.SkipWithError("a reading sent other commands than the recorded one");
  state.counters["whole_ms"] = whole / reads * 1e3;
  state.counters["access_ms"] = accessTime / reads * 1e3;
  state.counters["picture_ms"] = pictureTime / reads * 1e3;
  state.counters["decoding_ms"] = (whole - accessTime - pictureTime) / reads * 1e3;
  state.counters["chip_ms"] = (onChip - whole) / reads * 1e3;
  state.counters["commands"] = commands;
  state.counters["subject_us"] = whole / reads / commands * 1e6;
  state.counters["floor_us"] = kBudgetPerCommand * 1e6;
  state.counters["ratio"] = whole / reads / commands / kBudgetPerCommand;
}

void WindowRead(benchmark::State& state) {
  TSampleReading sample(ZELVAN_SAMPLE_PASSPORT);
  auto openWindow = [&] {
    ResetReaderLink();
    auto window = std::make_unique<TfrmPICC>();
    window->SetErrorPresenter([&state](const QString& message) { state.SkipWithError(message.toStdString().c_str()); });
    window->Form().eDocNumber->setText(QString::fromStdString(sample.Inputs().DocumentNumber));
    const auto date = [](const TCalendarDate& d) { return QDate(d.Year, d.Month, d.Day); };
    window->Form().eDogTar->setDate(date(sample.Inputs().DateOfBirth));
    window->Form().eGecTar->setDate(date(sample.Inputs().DateOfExpiry));
    return window;
  };

  std::unique_ptr<TfrmPICC> window;
  TScriptedCard replay = ReplayOf(sample.Record([&] {
    window = openWindow();
    window->bOkuClick();
  }));
  if (window->ShownPicture().isNull()) {
    state.SkipWithError("the recorded reading brought no face");
    return;
  }
  SetPcscApi(&replay);
  window.reset();  // one window at a time: a window leaving takes the process-wide view with it
  window = openWindow();
  double whole = 0;
  for (auto _ : state) {
    const double time = CpuTime([&] { window->bOkuClick(); });
    whole += time;
    state.SetIterationTime(time);
    window->Form().rbOutput->clear();
  }
  window.reset();
  SetPcscApi(nullptr);
  const double reads = static_cast<double>(state.iterations());
  const double commands = static_cast<double>(replay.Played());
  if (replay.Mismatches != 0) state.SkipWithError("a reading sent other commands than the recorded one");
  state.counters["commands"] = commands;
  state.counters["subject_us"] = whole / reads / commands * 1e6;
  state.counters["floor_us"] = kBudgetPerCommand * 1e6;
  state.counters["ratio"] = whole / reads / commands / kBudgetPerCommand;
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(ReadCommand)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->ComputeStatistics("min", Least);
BENCHMARK(WindowRead)->Unit(benchmark::kMillisecond)->UseManualTime()->ComputeStatistics("min", Least);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
