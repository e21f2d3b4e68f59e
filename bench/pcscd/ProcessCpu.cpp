#include "bench/pcscd/ProcessCpu.h"

#include <fstream>

pid_t PidFromFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  pid_t pid = 0;
  in >> pid;
  return in ? pid : 0;
}

double ProcessCpuSeconds(pid_t pid) {
  if (pid <= 0) return 0;
  double total = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream schedstat(task.path() / "schedstat");
    unsigned long long runNanoseconds = 0;
    if (schedstat >> runNanoseconds) total += static_cast<double>(runNanoseconds) * 1e-9;
  }
  return total;
}
