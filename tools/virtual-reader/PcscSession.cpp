#include "tools/virtual-reader/PcscSession.h"

#include <cstdio>
#include <stdexcept>

namespace vreader {

std::string PcscResultText(LONG result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  return std::string(pcsc_stringify_error(result)) + " (" + code + ")";
}

TPcscSession::TPcscSession() {
  lastResult_ = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_);
  if (lastResult_ != SCARD_S_SUCCESS) throw std::runtime_error("no PC/SC context: " + PcscResultText(lastResult_));
}

TPcscSession::~TPcscSession() {
  if (connected_) SCardDisconnect(card_, SCARD_LEAVE_CARD);
  SCardReleaseContext(context_);
}

std::vector<std::string> TPcscSession::Readers() {
  DWORD length = 0;
  std::vector<std::string> names;
  lastResult_ = SCardListReaders(context_, nullptr, nullptr, &length);
  if (lastResult_ != SCARD_S_SUCCESS) return names;
  std::string multi(length, '\0');
  lastResult_ = SCardListReaders(context_, nullptr, multi.data(), &length);
  if (lastResult_ != SCARD_S_SUCCESS) return names;
  for (std::size_t p = 0; p < multi.size() && multi[p] != '\0';) {
    names.emplace_back(multi.c_str() + p);
    p += names.back().size() + 1;
  }
  return names;
}

LONG TPcscSession::Connect(const std::string& reader) {
  if (connected_) Disconnect(SCARD_LEAVE_CARD);
  lastResult_ = SCardConnect(context_, reader.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                             &card_, &protocol_);
  connected_ = lastResult_ == SCARD_S_SUCCESS;
  return lastResult_;
}

LONG TPcscSession::Disconnect(DWORD disposition) {
  if (!connected_) return SCARD_E_INVALID_HANDLE;
  connected_ = false;
  return lastResult_ = SCardDisconnect(card_, disposition);
}

std::optional<simchip::TBytes> TPcscSession::Transmit(std::span<const std::uint8_t> command, std::size_t capacity) {
  simchip::TBytes answer(capacity);
  DWORD length = static_cast<DWORD>(capacity);
  const SCARD_IO_REQUEST request{static_cast<unsigned long>(protocol_), sizeof(SCARD_IO_REQUEST)};
  lastResult_ = SCardTransmit(card_, &request, command.data(), static_cast<DWORD>(command.size()), nullptr,
                              answer.data(), &length);
  if (lastResult_ != SCARD_S_SUCCESS) return std::nullopt;
  answer.resize(length);
  return answer;
}

}  // namespace vreader
