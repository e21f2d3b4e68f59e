#pragma once
// CPU time of another process, all its threads, from /proc (the scheduler's
// nanosecond count): what pcscd and the virtual passport spend.

#include <sys/types.h>
#include <filesystem>
#include <string>

// The pid written in a file; 0 when it cannot be read.
pid_t PidFromFile(const std::filesystem::path& file);

// Seconds of CPU the process's threads have run; 0 when it is gone.
double ProcessCpuSeconds(pid_t pid);
