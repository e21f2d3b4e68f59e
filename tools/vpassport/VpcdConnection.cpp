#include "tools/vpassport/VpcdConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "tools/vpassport/VpcdProtocol.h"

namespace vpassport {

namespace {

constexpr int kPollMilliseconds = 200;
constexpr auto kRetryPause = std::chrono::milliseconds(100);

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

int ConnectOnce(const sockaddr_in& address) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error(SystemError("socket"));
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
  }
  ::close(fd);
  return -1;
}

}  // namespace

TVpcdConnection::TVpcdConnection(const std::string& host, std::uint16_t port, std::chrono::milliseconds patience,
                                 const std::atomic<bool>& stop)
    : stop_(stop) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
    throw std::runtime_error("not an IPv4 address: " + host);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while ((socket_ = ConnectOnce(address)) < 0) {
    if (stop_ || std::chrono::steady_clock::now() >= deadline)
      throw std::runtime_error(SystemError("cannot connect to vpcd at " + host + ":" + std::to_string(port)));
    std::this_thread::sleep_for(kRetryPause);
  }
}

TVpcdConnection::~TVpcdConnection() {
  if (socket_ >= 0) ::close(socket_);
}

bool TVpcdConnection::ReadExactly(std::span<std::uint8_t> buffer, EReceived& why) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    if (stop_) {
      why = EReceived::Stopped;
      return false;
    }
    // vpcd writes a message's length and its bytes separately; acknowledging
    // at once keeps its Nagle algorithm from holding the bytes back for the
    // length of a delayed acknowledgement. Linux clears this flag as it goes.
    const int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    pollfd waiting{socket_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, kPollMilliseconds);
    if (ready < 0 && errno != EINTR) throw std::runtime_error(SystemError("poll"));
    if (ready <= 0) continue;
    const ssize_t n = ::recv(socket_, buffer.data() + done, buffer.size() - done, 0);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
      why = EReceived::Closed;
      return false;
    }
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  return true;
}

TVpcdConnection::EReceived TVpcdConnection::Receive(simchip::TBytes& message) {
  EReceived why = EReceived::Message;
  std::array<std::uint8_t, 2> length{};
  if (!ReadExactly(length, why)) return why;
  message.assign(static_cast<std::size_t>(length[0] << 8 | length[1]), 0);
  if (!ReadExactly(message, why)) return why;
  return EReceived::Message;
}

void TVpcdConnection::Send(std::span<const std::uint8_t> payload) {
  const simchip::TBytes framed = FrameVpcdMessage(payload);
  std::size_t done = 0;
  while (done < framed.size()) {
    const ssize_t n = ::send(socket_, framed.data() + done, framed.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error(SystemError("send to vpcd"));
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace vpassport
