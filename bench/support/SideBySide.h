#pragma once
// Measures a subject and its floor side by side: each benchmark iteration runs
// a batch of the subject and a batch of the floor, in turn (the order swaps
// every iteration, so a slow spell of the machine falls on both). The
// benchmark's own time is the subject's per operation (manual time); the
// counters give both per-operation times and their ratio:
//   subject_us  floor_us  ratio (subject / floor)
// As the manual time leaves the floor out, register these benchmarks with a
// fixed iteration count (about a second of both sides) rather than a minimum time.

#include <benchmark/benchmark.h>

#include <ctime>

namespace bench {

enum class TClock {
  Wall,        // elapsed time
  ProcessCpu,  // CPU time of the whole process (every thread of ours, nobody else's)
  ThreadCpu,   // CPU time of the calling thread
};

inline double Seconds(TClock clock) {
  timespec now{};
  const clockid_t id = clock == TClock::Wall         ? CLOCK_MONOTONIC
                       : clock == TClock::ProcessCpu ? CLOCK_PROCESS_CPUTIME_ID
                                                     : CLOCK_THREAD_CPUTIME_ID;
  clock_gettime(id, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times `batch` calls of run() on the clock.
template <typename TRun>
double TimeBatch(TClock clock, int batch, TRun& run) {
  const double start = Seconds(clock);
  for (int i = 0; i < batch; ++i) run();
  return Seconds(clock) - start;
}

// Runs the pair; register the benchmark with UseManualTime().
template <typename TSubject, typename TFloor>
void SideBySide(benchmark::State& state, TClock clock, int batch, TSubject&& subject, TFloor&& floor) {
  double subjectTime = 0;
  double floorTime = 0;
  bool subjectFirst = true;
  for (auto _ : state) {
    double s = 0;
    double f = 0;
    if (subjectFirst) {
      s = TimeBatch(clock, batch, subject);
      f = TimeBatch(clock, batch, floor);
    } else {
      f = TimeBatch(clock, batch, floor);
      s = TimeBatch(clock, batch, subject);
    }
    subjectFirst = !subjectFirst;
    subjectTime += s;
    floorTime += f;
    state.SetIterationTime(s / batch);
  }
  const double operations = static_cast<double>(state.iterations()) * batch;
  state.counters["subject_us"] = benchmark::Counter(subjectTime / operations * 1e6);
  state.counters["floor_us"] = benchmark::Counter(floorTime / operations * 1e6);
  state.counters["ratio"] = benchmark::Counter(floorTime > 0 ? subjectTime / floorTime : 0);
}

}  // namespace bench
