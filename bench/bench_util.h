// Small helpers shared by the benchmarks.
#pragma once

#include <sys/resource.h>

namespace benchutil {

// CPU time of the whole process (user + system) in seconds.
inline double ProcessCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + 1e-6 * double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

}  // namespace benchutil
