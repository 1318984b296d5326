// Frames per second of a command over a file, free of start-up costs: each
// figure comes from the difference between a run over N frames and one over
// 2N, so that process start-up, file opening and thread creation do not
// count: frames/s = N / (t(2N) - t(N)), CPU s/frame = (cpu(2N) - cpu(N)) / N,
// CPU being user + system time of the child processes (RUSAGE_CHILDREN) or
// of this process (RUSAGE_SELF). Used with UseManualTime.
#pragma once

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace benchutil {

inline double CpuSeconds(int who) {
  rusage ru{};
  getrusage(who, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + 1e-6 * double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

struct Sample {
  double seconds;
  double cpu;
};

// Runs `work(frames)` and measures wall time and CPU time of `who`.
template <typename Work>
Sample Measure(int who, uint32_t frames, Work work) {
  const double cpu0 = CpuSeconds(who);
  const auto t0 = std::chrono::steady_clock::now();
  work(frames);
  const auto t1 = std::chrono::steady_clock::now();
  return {std::chrono::duration<double>(t1 - t0).count(), CpuSeconds(who) - cpu0};
}

// `work(n)` handles the first n frames; `half` is N, `whole` 2N.
template <typename Work>
void RateFromHalfAndWhole(benchmark::State& state, int who, uint32_t half, uint32_t whole, Work work) {
  double seconds = 0, cpu = 0;
  for (auto _ : state) {
    const Sample a = Measure(who, half, work);
    const Sample b = Measure(who, whole, work);
    state.SetIterationTime(b.seconds - a.seconds);
    seconds += b.seconds - a.seconds;
    cpu += b.cpu - a.cpu;
  }
  const double frames = double(state.iterations()) * (whole - half);
  state.counters["frames/s"] = frames / seconds;
  state.counters["CPU_s/frame"] = cpu / frames;
}

// Runs a shell command, its output discarded; a failure skips the benchmark.
inline void Shell(benchmark::State& state, const std::string& command) {
  const int st = std::system((command + " > /dev/null 2>&1").c_str());
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) state.SkipWithError(("failed: " + command).c_str());
}

}  // namespace benchutil
