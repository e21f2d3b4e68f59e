#pragma once
// Raised when a stream delivers fewer bytes than it announces.

#include <stdexcept>

class EStreamReadError : public std::runtime_error {
public:
  EStreamReadError() : std::runtime_error("Stream read error") {}
};
