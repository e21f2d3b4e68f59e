#include "tools/simchip/SecureChannel.h"

#include <algorithm>
#include <stdexcept>

#include "tools/simchip/Tlv.h"

namespace simchip {

namespace {

enum : std::uint8_t { kDoCryptogram = 0x87, kDoLe = 0x97, kDoMac = 0x8E, kDoStatus = 0x99 };
constexpr std::uint8_t kPaddingIndicator = 0x01;

// The data objects of a protected command in their required order: DO'87'
// and DO'97' optional, DO'8E' last.
struct TProtectedObjects {
  std::span<const std::uint8_t> Authenticated;  // every object before DO'8E', as sent
  std::optional<std::span<const std::uint8_t>> Cryptogram;
  std::optional<std::span<const std::uint8_t>> Le;
  std::span<const std::uint8_t> Mac;
};

std::optional<TProtectedObjects> SplitObjects(std::span<const std::uint8_t> data) {
  TProtectedObjects objects;
  std::size_t p = 0;
  int lastRank = -1;
  while (p < data.size()) {
    const auto object = ReadTlv(data.subspan(p));
    if (!object) return std::nullopt;
    const auto rank = [&]() -> int {
      switch (object->Tag) {
        case kDoCryptogram:
          return 0;
        case kDoLe:
          return 1;
        case kDoMac:
          return 2;
        default:
          return -1;
      }
    }();
    if (rank <= lastRank) return std::nullopt;  // unknown, repeated or out of order
    lastRank = rank;
    if (rank == 0) objects.Cryptogram = object->Value;
    if (rank == 1) objects.Le = object->Value;
    if (rank == 2) {
      objects.Authenticated = data.first(p);
      objects.Mac = object->Value;
    }
    p += object->Size;
  }
  if (lastRank != 2 || objects.Mac.size() != kBlockSize) return std::nullopt;  // 8-byte MACs with either cipher
  return objects;
}

// Big-endian increment of a counter of either length.
TBytes Next(TBytes counter) {
  for (auto it = counter.rbegin(); it != counter.rend(); ++it)
    if (++*it != 0) break;
  return counter;
}

}  // namespace

TSecureChannel::TSecureChannel(const TKeyPair& sessionKeys, const TBlock& initialCounter)
    : keys_(TripleDesKeys(sessionKeys)), counter_(initialCounter.begin(), initialCounter.end()) {}

TSecureChannel::TSecureChannel(TSmKeys sessionKeys)
    : keys_(std::move(sessionKeys)), counter_(SmBlockSize(keys_.Cipher), 0x00) {}

TBlock TSecureChannel::Counter() const {
  if (counter_.size() != kBlockSize) throw std::logic_error("an AES session's counter is 16 bytes");
  TBlock counter{};
  std::copy(counter_.begin(), counter_.end(), counter.begin());
  return counter;
}

TBlock TSecureChannel::NextMac(std::span<const std::uint8_t> data) {
  counter_ = Next(std::move(counter_));
  return SmMac(keys_, counter_, data);
}

std::optional<TCommandApdu> TSecureChannel::Unwrap(const TCommandApdu& command) {
  const auto objects = SplitObjects(command.Data);
  if (!objects) return std::nullopt;

  const std::size_t blockSize = SmBlockSize(keys_.Cipher);
  TBytes macInput = PadTo(std::array<std::uint8_t, 4>{command.Cla, command.Ins, command.P1, command.P2}, blockSize);
  Append(macInput, objects->Authenticated);
  const TBlock expected = NextMac(macInput);
  if (!std::equal(expected.begin(), expected.end(), objects->Mac.begin(), objects->Mac.end())) return std::nullopt;

  TCommandApdu plain{static_cast<std::uint8_t>(command.Cla & ~0x0C), command.Ins, command.P1, command.P2, {}, {}};
  if (objects->Cryptogram) {
    const auto value = *objects->Cryptogram;
    if (value.size() < 1 + blockSize || value[0] != kPaddingIndicator || (value.size() - 1) % blockSize != 0)
      return std::nullopt;
    TBytes padded = SmDecrypt(keys_, counter_, value.subspan(1));
    const auto length = UnpaddedLength(padded, blockSize);
    if (!length) return std::nullopt;
    padded.resize(*length);
    plain.Data = std::move(padded);
  }
  if (objects->Le) {
    // One byte (00 for 256) in a short command, two (00 00 for 65536) in an extended one.
    const std::span<const std::uint8_t> le = *objects->Le;
    if (le.size() == 1) {
      plain.Le = le[0] == 0 ? 256 : le[0];
    } else if (le.size() == 2) {
      const std::size_t value = static_cast<std::size_t>(le[0]) << 8 | le[1];
      plain.Le = value == 0 ? 65536 : value;
      plain.ExtendedLength = true;
    } else {
      return std::nullopt;
    }
  }
  return plain;
}

TBytes TSecureChannel::Wrap(std::span<const std::uint8_t> data, std::uint16_t statusWord, TWrapLayout layout) {
  TBytes objects;
  if (!data.empty() || layout.EmptyDataObject) {
    // The answer's counter is the one its MAC will use: one step past the command's.
    TBytes value{kPaddingIndicator};
    Append(value, SmEncrypt(keys_, Next(counter_), PadTo(data, SmBlockSize(keys_.Cipher))));
    if (layout.LongFormLength && value.size() < 0x80) {
      // BER allows the two-byte length form for short values too; some chips always use it.
      Append(objects, TBytes{kDoCryptogram, 0x81, static_cast<std::uint8_t>(value.size())});
      Append(objects, value);
    } else {
      Append(objects, MakeTlv(kDoCryptogram, value));
    }
  }
  Append(objects, MakeTlv(kDoStatus, StatusOnly(statusWord)));
  const TBlock mac = NextMac(objects);
  Append(objects, MakeTlv(kDoMac, mac));
  return Response(objects, statusWord);
}

}  // namespace simchip
