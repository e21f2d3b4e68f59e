// Start-up: from process start to the main window shown, Zelvan against an
// empty Qt window shown by a minimal program built the same way, on the
// offscreen platform. Both programs run unchanged; a generic Qt plugin
// (FirstExposePlugin) ends each as soon as its window has been exposed. The
// programs start in turn, side by side in one run.
//
//   subject_ms, floor_ms, ratio          wall time from fork to exit
//   cpu_ms, floor_cpu_ms, cpu_ratio      CPU time of the child (user + system)
//   rss_mb, floor_rss_mb, rss_ratio      peak resident memory of the child
// and against a second reference, the empty window with one label (what the
// first line of text costs any Qt program):
//   label_ms, label_ratio, label_cpu_ratio, label_rss_ratio

#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

struct TRun {
  double Wall = 0;    // seconds
  double Cpu = 0;     // seconds
  double PeakKb = 0;  // kilobytes
};

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec * 1e-6; }

// Starts the program with the plugin that ends it at its first expose and
// waits for it; raises when it does not end well within 20 s.
TRun Start(const char* program) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_PLUGIN_PATH", ZELVAN_STARTUP_PLUGINS, 1);
    setenv("QT_QPA_GENERIC_PLUGINS", "zelvanfirstexpose", 1);
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  const auto deadline = start + std::chrono::seconds(20);
  pid_t done = 0;
  while ((done = wait4(child, &status, WNOHANG, &usage)) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      wait4(child, &status, 0, &usage);
      throw std::runtime_error(std::string(program) + " did not show its window");
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(std::string(program) + " failed");
  return {std::chrono::duration<double>(end - start).count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
          static_cast<double>(usage.ru_maxrss)};
}

// A private runtime directory for the children when there is none, so that
// Qt does not warn about it at every start; removed at the end.
class TRuntimeDirectory {
public:
  TRuntimeDirectory() {
    if (std::getenv("XDG_RUNTIME_DIR") != nullptr) return;
    char pattern[] = "/tmp/zelvan-startup-bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    made_ = pattern;
    setenv("XDG_RUNTIME_DIR", pattern, 1);
  }
  ~TRuntimeDirectory() {
    if (made_.empty()) return;
    unsetenv("XDG_RUNTIME_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(made_, ignored);
  }
  TRuntimeDirectory(const TRuntimeDirectory&) = delete;
  TRuntimeDirectory& operator=(const TRuntimeDirectory&) = delete;

private:
  std::string made_;
};

void Add(TRun& total, const TRun& run) {
  total.Wall += run.Wall;
  total.Cpu += run.Cpu;
  total.PeakKb = std::max(total.PeakKb, run.PeakKb);
}

void StartUp(benchmark::State& state) {
  // The three programs, started in a rotating order.
  const TRuntimeDirectory runtimeDirectory;
  const char* const programs[] = {ZELVAN_PROGRAM, ZELVAN_EMPTY_WINDOW, ZELVAN_LABEL_WINDOW};
  TRun totals[3];
  std::size_t first = 0;
  try {
    for (auto _ : state) {
      double zelvanWall = 0;
      for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t which = (first + i) % 3;
        const TRun run = Start(programs[which]);
        Add(totals[which], run);
        if (which == 0) zelvanWall = run.Wall;
      }
      first = (first + 1) % 3;
      state.SetIterationTime(zelvanWall);
    }
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
    return;
  }
  const TRun& zelvan = totals[0];
  const TRun& empty = totals[1];
  const TRun& label = totals[2];
  const double runs = static_cast<double>(state.iterations());
  state.counters["subject_ms"] = zelvan.Wall / runs * 1e3;
  state.counters["floor_ms"] = empty.Wall / runs * 1e3;
  state.counters["ratio"] = zelvan.Wall / empty.Wall;
  state.counters["cpu_ms"] = zelvan.Cpu / runs * 1e3;
  state.counters["floor_cpu_ms"] = empty.Cpu / runs * 1e3;
  state.counters["cpu_ratio"] = zelvan.Cpu / empty.Cpu;
  state.counters["rss_mb"] = zelvan.PeakKb / 1024;
  state.counters["floor_rss_mb"] = empty.PeakKb / 1024;
  state.counters["rss_ratio"] = zelvan.PeakKb / empty.PeakKb;
  state.counters["label_ms"] = label.Wall / runs * 1e3;
  state.counters["label_ratio"] = zelvan.Wall / label.Wall;
  state.counters["label_cpu_ratio"] = zelvan.Cpu / label.Cpu;
  state.counters["label_rss_ratio"] = zelvan.PeakKb / label.PeakKb;
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(StartUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40)->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
