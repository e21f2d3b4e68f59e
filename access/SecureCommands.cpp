#include "access/SecureCommands.h"

#include <algorithm>

#include "access/PlainCommands.h"
#include "access/RetailMac.h"
#include "access/TripleDes.h"

namespace {

// The command headers padded to one block (ISO/IEC 9797-1 method 2) for the MAC.
constexpr std::array<std::uint8_t, 8> kPaddedSelectHeader{0x0C, 0xA4, 0x02, 0x0C, 0x80, 0x00, 0x00, 0x00};
constexpr std::uint8_t kSecureClass = 0x0C;
constexpr std::uint8_t kReadBinary = 0xB0;

// Copies the parts one after the other into out; returns the total length.
std::size_t Concatenate(std::span<std::uint8_t> out, std::initializer_list<std::span<const std::uint8_t>> parts) {
  std::size_t length = 0;
  for (const auto part : parts) {
    std::ranges::copy(part, out.begin() + static_cast<std::ptrdiff_t>(length));
    length += part.size();
  }
  return length;
}

}  // namespace

std::size_t BuildEncryptedDataObject(const tMRTD_CTX& ctx, std::span<const std::uint8_t> data,
                                     std::span<std::uint8_t> object) {
  const std::size_t cryptogram = Encrypt3Des(ctx, data, object.subspan(3), true);
  object[0] = 0x87;
  object[1] = static_cast<std::uint8_t>(cryptogram + 1);
  object[2] = 0x01;  // padding-content indicator: ISO/IEC 9797-1 method 2
  return cryptogram + 3;
}

TMacDataObject BuildMacDataObject(tMRTD_CTX& ctx, std::span<const std::uint8_t> macInput) {
  const t64Bit mac = ComputeMac(ctx, macInput);
  TMacDataObject object{0x8E, 0x08};
  std::ranges::copy(mac, object.begin() + 2);
  return object;
}

void BuildSecureSelectFile(tMRTD_CTX& ctx, std::uint8_t number, TApduBuffer& command, std::uint32_t& commandLength) {
  const std::array<std::uint8_t, 2> identifier{0x01, FileIdentifierLow(number)};
  std::array<std::uint8_t, 11> do87{};
  BuildEncryptedDataObject(ctx, identifier, do87);

  std::array<std::uint8_t, 19> macInput{};
  Concatenate(macInput, {kPaddedSelectHeader, do87});
  const TMacDataObject do8e = BuildMacDataObject(ctx, macInput);

  constexpr std::array<std::uint8_t, 5> header{kSecureClass, 0xA4, 0x02, 0x0C, 0x15};
  constexpr std::array<std::uint8_t, 1> le{0x00};
  commandLength = static_cast<std::uint32_t>(Concatenate(command, {header, do87, do8e, le}));
}

void BuildSecureReadBinary(tMRTD_CTX& ctx, std::uint16_t offset, std::uint16_t length, TApduBuffer& command,
                           std::uint32_t& commandLength) {
  if (length > 256) return;
  const auto p1 = static_cast<std::uint8_t>(offset >> 8);
  const auto p2 = static_cast<std::uint8_t>(offset & 0xFF);
  const std::array<std::uint8_t, 3> do97{0x97, 0x01, static_cast<std::uint8_t>(length & 0xFF)};

  const std::array<std::uint8_t, 8> paddedHeader{kSecureClass, kReadBinary, p1, p2, 0x80, 0x00, 0x00, 0x00};
  std::array<std::uint8_t, 11> macInput{};
  Concatenate(macInput, {paddedHeader, do97});
  const TMacDataObject do8e = BuildMacDataObject(ctx, macInput);

  const std::array<std::uint8_t, 5> header{kSecureClass, kReadBinary, p1, p2, 0x0D};
  constexpr std::array<std::uint8_t, 1> le{0x00};
  commandLength = static_cast<std::uint32_t>(Concatenate(command, {header, do97, do8e, le}));
}
