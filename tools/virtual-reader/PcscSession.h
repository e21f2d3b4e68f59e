#pragma once
// A minimal RAII client of the system's pcsc-lite: one context, the reader
// list, one card connection, transmit. For the card probe, which checks the
// virtual reader through the real resource manager.

#include <PCSC/winscard.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/simchip/Bytes.h"

namespace vreader {

class TPcscSession {
public:
  TPcscSession();  // throws std::runtime_error when no context can be had
  ~TPcscSession();
  TPcscSession(const TPcscSession&) = delete;
  TPcscSession& operator=(const TPcscSession&) = delete;

  std::vector<std::string> Readers();
  // Shared connection, T=0 or T=1; returns the PC/SC result.
  LONG Connect(const std::string& reader);
  LONG Disconnect(DWORD disposition);
  // The answer, or empty with the result in LastResult.
  std::optional<simchip::TBytes> Transmit(std::span<const std::uint8_t> command, std::size_t capacity = 255);
  LONG LastResult() const { return lastResult_; }

private:
  SCARDCONTEXT context_ = 0;
  SCARDHANDLE card_ = 0;
  bool connected_ = false;
  DWORD protocol_ = 0;
  LONG lastResult_ = SCARD_S_SUCCESS;
};

std::string PcscResultText(LONG result);

}  // namespace vreader
