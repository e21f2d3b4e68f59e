#include "TestChip.h"

#include <algorithm>

#include "access/BacKeys.h"
#include "access/ByteOperations.h"
#include "access/RetailMac.h"
#include "access/TripleDes.h"

namespace {

constexpr std::uint16_t kSuccess = 0x9000;

struct TProtectedCommand {
  TBytes Header;      // CLA INS P1 P2
  TBytes MacInput;    // padded header and the data objects before DO'8E'
  TBytes Cryptogram;  // of DO'87', if any
  std::size_t Le = 0;  // of DO'97', 256 for 0x00
  TBytes Mac;
};

TProtectedCommand Parse(const TBytes& command) {
  TProtectedCommand parsed;
  parsed.Header.assign(command.begin(), command.begin() + 4);
  parsed.MacInput = Concat({parsed.Header, Hex("80000000")});
  const std::size_t end = std::min<std::size_t>(command.size(), 5 + command.at(4));
  for (std::size_t i = 5; i + 1 < end;) {
    const std::uint8_t tag = command[i];
    const std::size_t length = command[i + 1];
    const TBytes value(command.begin() + static_cast<std::ptrdiff_t>(i + 2),
                       command.begin() + static_cast<std::ptrdiff_t>(std::min(end, i + 2 + length)));
    if (tag == 0x8E) {
      parsed.Mac = value;
      break;
    }
    parsed.MacInput.insert(parsed.MacInput.end(), command.begin() + static_cast<std::ptrdiff_t>(i),
                           command.begin() + static_cast<std::ptrdiff_t>(i + 2 + length));
    if (tag == 0x87) parsed.Cryptogram.assign(value.begin() + 1, value.end());
    if (tag == 0x97) parsed.Le = value.at(0) == 0 ? 256 : value.at(0);
    i += 2 + length;
  }
  return parsed;
}

}  // namespace

TBytes StatusBytes(std::uint16_t status) {
  return {static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status & 0xFF)};
}

void TTestChip::StartSession(const tMRTD_CTX& session) {
  session_ = session;
  authenticated_ = true;
}

TBytes TTestChip::WrapData(std::span<const std::uint8_t> data, std::uint16_t status) {
  std::array<std::uint8_t, 272> cryptogram{};
  const std::size_t length = Encrypt3Des(session_, data, cryptogram, true);
  TBytes answer{0x87};
  if (length + 1 >= 0x80) answer.push_back(0x81);
  answer.push_back(static_cast<std::uint8_t>(length + 1));
  answer.push_back(0x01);
  answer.insert(answer.end(), cryptogram.begin(), cryptogram.begin() + static_cast<std::ptrdiff_t>(length));
  answer = Concat({answer, Hex("9902"), StatusBytes(status)});
  const t64Bit mac = ComputeMac(session_, answer);
  return Concat({answer, Hex("8E08"), TBytes(mac.begin(), mac.end()), StatusBytes(status)});
}

TBytes TTestChip::WrapStatus(std::uint16_t status) {
  const TBytes do99 = Concat({Hex("9902"), StatusBytes(status)});
  const t64Bit mac = ComputeMac(session_, do99);
  return Concat({do99, Hex("8E08"), TBytes(mac.begin(), mac.end()), StatusBytes(status)});
}

TAnswer TTestChip::Answer(const TBytes& command) {
  if (command.size() < 4) return {StatusBytes(0x6700)};
  if (command[0] == 0x0C) return authenticated_ ? Protected(command) : TAnswer{StatusBytes(0x6988)};
  // A plain command ends secure messaging, as on real chips.
  authenticated_ = false;
  if (command[1] == 0x84) {
    challenged_ = true;
    return {Concat({RndIcc, StatusBytes(kSuccess)})};
  }
  if (command[1] == 0x82) return ExternalAuthenticate(command);
  return Plain(command);
}

TAnswer TTestChip::ExternalAuthenticate(const TBytes& command) {
  if (!challenged_ || command.size() != 46) return {StatusBytes(0x6985)};
  challenged_ = false;
  tMRTD_CTX keys{};
  DeriveBacKeys(ComputeKeySeed(Mrz), keys);
  const std::span<const std::uint8_t> eIfd(command.data() + 5, 32);
  const std::span<const std::uint8_t> mIfd(command.data() + 37, 8);
  if (!SameBytes(ComputeMac(keys, eIfd), mIfd)) return {StatusBytes(0x6300)};
  std::array<std::uint8_t, 32> s{};
  Decrypt3Des(keys, eIfd, s);
  if (!SameBytes(std::span<const std::uint8_t>(s).subspan(8, 8), RndIcc)) return {StatusBytes(0x6300)};

  const TBytes r = Concat({RndIcc, TBytes(s.begin(), s.begin() + 8), KIcc});
  std::array<std::uint8_t, 40> eIcc{};
  Encrypt3Des(keys, r, eIcc, false);
  const t64Bit mIcc = ComputeMac(keys, std::span<const std::uint8_t>(eIcc).first(32));

  t128Bit seed{};
  std::copy_n(s.begin() + 16, 16, seed.begin());  // K.IFD
  XorBytes(seed, KIcc);
  session_ = {};
  DeriveBacKeys(seed, session_);
  std::copy_n(RndIcc.begin() + 4, 4, session_.SSC.begin());
  std::copy_n(s.begin() + 4, 4, session_.SSC.begin() + 4);
  authenticated_ = true;
  return {Concat({TBytes(eIcc.begin(), eIcc.begin() + 32), TBytes(mIcc.begin(), mIcc.end()), StatusBytes(kSuccess)})};
}

TBytes TTestChip::ReadSelected(std::uint16_t offset, std::size_t length) const {
  const TBytes& file = Files.at(*selected_);
  const std::size_t begin = std::min<std::size_t>(offset, file.size());
  const std::size_t end = std::min(file.size(), begin + length);
  return TBytes(file.begin() + static_cast<std::ptrdiff_t>(begin), file.begin() + static_cast<std::ptrdiff_t>(end));
}

TAnswer TTestChip::Plain(const TBytes& command) {
  const std::uint8_t ins = command[1];
  if (ins == 0xA4 && command[2] == 0x04) return {StatusBytes(kSuccess)};
  if (ins == 0xA4) {
    if (Demand == TBacDemand::AtSelect) return {StatusBytes(0x6982)};
    const std::uint8_t low = command.at(6);
    const std::uint8_t number = low == 0x1E ? 0 : low;
    if (!Files.contains(number)) return {StatusBytes(0x6A82)};
    selected_ = number;
    return {StatusBytes(kSuccess)};
  }
  if (ins == 0xB0) {
    if (Demand != TBacDemand::None) return {StatusBytes(0x6982)};
    if (!selected_) return {StatusBytes(0x6986)};
    const std::size_t le = command.at(4) == 0 ? 256 : command.at(4);
    return {Concat({ReadSelected(static_cast<std::uint16_t>(command[2] << 8 | command[3]), le), StatusBytes(kSuccess)})};
  }
  return {StatusBytes(0x6D00)};
}

TAnswer TTestChip::Refuse(std::uint16_t status) {
  if (ProtectedRefusals) return {WrapStatus(status)};
  return {StatusBytes(status)};
}

TAnswer TTestChip::Protected(const TBytes& command) {
  const TProtectedCommand parsed = Parse(command);
  if (!SameBytes(ComputeMac(session_, parsed.MacInput), parsed.Mac)) {
    authenticated_ = false;
    return {StatusBytes(0x6988)};
  }
  if (parsed.Header[1] == 0xA4) {
    std::array<std::uint8_t, 16> identifier{};
    Decrypt3Des(session_, parsed.Cryptogram, identifier);
    const std::uint8_t number = identifier[1] == 0x1E ? 0 : identifier[1];
    if (identifier[0] != 0x01 || !Files.contains(number)) return Refuse(0x6A82);
    selected_ = number;
    return {WrapStatus(kSuccess)};
  }
  if (parsed.Header[1] == 0xB0) {
    if (!selected_) return Refuse(0x6986);
    const auto offset = static_cast<std::uint16_t>(parsed.Header[2] << 8 | parsed.Header[3]);
    return {WrapData(ReadSelected(offset, parsed.Le))};
  }
  return Refuse(0x6D00);
}
