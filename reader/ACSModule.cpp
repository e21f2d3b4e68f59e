#include "reader/ACSModule.h"

#include <algorithm>
#include <array>
#include <string_view>

void SplitReaderNames(std::vector<std::string>& list, std::span<const std::uint8_t> buffer, std::size_t length) {
  const std::size_t end = std::min(length, buffer.size());
  std::size_t pos = 0;
  while (pos < end && buffer[pos] != 0) {
    const std::size_t start = pos;
    while (pos < end && buffer[pos] != 0) ++pos;
    list.emplace_back(reinterpret_cast<const char*>(buffer.data() + start), pos - start);
    ++pos;  // the terminating zero byte
  }
}

namespace {

struct TErrorText {
  std::uint32_t Code;
  std::string_view Text;
};

constexpr std::array<TErrorText, 35> kErrorTexts{{
    {0x80100001, "An internal consistency check failed."},
    {0x80100002, "The action was cancelled by an SCardCancel request."},
    {0x80100003, "The supplied handle was invalid."},
    {0x80100004, "One or more of the supplied parameters could not be properly interpreted."},
    {0x80100005, "Registry startup information is missing or invalid."},
    {0x80100006, "Not enough memory available to complete this command."},
    {0x80100007, "An internal consistency timer has expired."},
    {0x80100008, "The data buffer to receive returned data is too small for the returned data."},
    {0x80100009, "The specified reader name is not recognized."},
    {0x8010000A, "The user-specified timeout value has expired."},
    {0x8010000B, "The smart card cannot be accessed because of other connections outstanding."},
    {0x8010000C, "The operation requires a Smart Card, but no Smart Card is currently in the device."},
    {0x8010000D, "The specified smart card name is not recognized."},
    {0x8010000E, "The system could not dispose of the media in the requested manner."},
    {0x8010000F, "The requested protocols are incompatible with the protocol currently in use with the smart card."},
    {0x80100010, "The reader or smart card is not ready to accept commands."},
    {0x80100011, "One or more of the supplied parameters values could not be properly interpreted."},
    {0x80100012, "The action was cancelled by the system, presumably to log off or shut down."},
    {0x80100013, "An internal communications error has been detected."},
    {0x80100014, "An internal error has been detected, but the source is unknown."},
    {0x80100015, "An ATR obtained from the registry is not a valid ATR string."},
    {0x80100016, "An attempt was made to end a non-existent transaction."},
    {0x80100017, "The specified reader is not currently available for use."},
    {0x80100018, "PRIVATE -- Internal flag to force server termination."},
    {0x80100019, "The PCI Receive buffer was too small."},
    {0x8010001A, "The reader driver does not meet minimal requirements for support."},
    {0x8010001B, "The reader driver did not produce a unique reader name."},
    {0x8010001C, "The smart card does not meet minimal requirements for support."},
    {0x8010001D, "The Smart card resource manager is not running."},
    {0x8010001E, "The Smart card resource manager has shut down."},
    {0x80100065, "The reader cannot communicate with the smart card, due to ATR configuration conflicts."},
    {0x80100066, "The smart card is not responding to a reset."},
    {0x80100067, "Power has been removed from the smart card, so that further communication is not possible."},
    {0x80100068, "The smart card has been reset, so any shared state information is invalid."},
    {0x80100069, "The smart card has been removed, so that further communication is not possible."},
}};

}  // namespace

std::string SCardErrorText(std::uint32_t code) {
  const auto it =
      std::find_if(kErrorTexts.begin(), kErrorTexts.end(), [code](const TErrorText& e) { return e.Code == code; });
  if (it != kErrorTexts.end()) return std::string(it->Text);
  return "Unknown Error: " + std::to_string(static_cast<std::int32_t>(code));
}
