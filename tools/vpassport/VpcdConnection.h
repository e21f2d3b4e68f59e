#pragma once
// The TCP connection from the card side to vpcd, carrying length-prefixed
// messages. Waiting is done in short polls so that a stop request (a signal)
// is noticed promptly.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "tools/simchip/Bytes.h"

namespace vpassport {

class TVpcdConnection {
public:
  // Connects to the driver, retrying while it is not listening yet until the
  // patience runs out or a stop is requested; throws std::runtime_error then.
  TVpcdConnection(const std::string& host, std::uint16_t port, std::chrono::milliseconds patience,
                  const std::atomic<bool>& stop);
  ~TVpcdConnection();
  TVpcdConnection(const TVpcdConnection&) = delete;
  TVpcdConnection& operator=(const TVpcdConnection&) = delete;

  enum class EReceived { Message, Closed, Stopped };
  // Waits for the next whole message.
  EReceived Receive(simchip::TBytes& message);
  // Sends one message; throws std::runtime_error when the connection is gone.
  void Send(std::span<const std::uint8_t> payload);

private:
  // Reads exactly the buffer's size; false when the peer closed or a stop came.
  bool ReadExactly(std::span<std::uint8_t> buffer, EReceived& why);

  int socket_ = -1;
  const std::atomic<bool>& stop_;
};

}  // namespace vpassport
