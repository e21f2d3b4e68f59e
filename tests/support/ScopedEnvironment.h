#pragma once
// An environment variable set for the lifetime of the object, then put back
// as it was (or unset again).

#include <cstdlib>
#include <optional>
#include <string>

class TScopedEnvironment {
public:
  TScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* before = std::getenv(name_.c_str())) before_ = before;
    setenv(name_.c_str(), value.c_str(), 1);
  }
  ~TScopedEnvironment() {
    if (before_)
      setenv(name_.c_str(), before_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
  std::string name_;
  std::optional<std::string> before_;
};
