#include "card/messaging/SecureCommands.h"

#include <algorithm>
#include <vector>

#include "card/DataObjects.h"
#include "card/messaging/PlainCommands.h"
#include "crypto/Padding.h"
#include "crypto/RetailMac.h"
#include "crypto/TripleDes.h"

namespace {

constexpr std::uint8_t kSecureClass = 0x0C;
// The most command data that still fits a short APDU once protected: 231
// bytes pad to 232, DO'87' 81 E9 01 <232>, DO'97' and DO'8E' add 13 more: 255.
constexpr std::size_t kMostCommandData = 231;

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

TCommandApdu BuildProtectedCommand(tMRTD_CTX& ctx, const TCommandApdu& plain) {
  // An extended command stays extended, its Le 00 00; a short one keeps Le 00.
  const bool extended = plain.Extended();
  TCommandApdu secured{kSecureClass, plain.Ins, plain.P1, plain.P2, {}, extended ? kExtendedMaxAnswerData : 256,
                       extended};
  // The MAC covers the header padded to one block (ISO/IEC 9797-1 method 2), then the data objects.
  TApduBytes macInput{kSecureClass, plain.Ins, plain.P1, plain.P2, 0x80, 0x00, 0x00, 0x00};
  if (!plain.Data.empty()) {
    const std::span<const std::uint8_t> data =
        std::span<const std::uint8_t>(plain.Data)
            .first(extended ? plain.Data.size() : std::min(plain.Data.size(), kMostCommandData));
    // The padding indicator, then the padded data enciphered.
    std::vector<std::uint8_t> value(1 + data.size() + kDesBlockSize, 0x01);
    const std::size_t cryptogram = Encrypt3Des(ctx, data, std::span<std::uint8_t>(value).subspan(1), true);
    AppendDataObject(secured.Data, 0x87, std::span<const std::uint8_t>(value).first(1 + cryptogram));
  }
  if (plain.Le) AppendDataObject(secured.Data, 0x97, ExpectedLengthValue(*plain.Le, extended));
  macInput.insert(macInput.end(), secured.Data.begin(), secured.Data.end());
  const TMacDataObject do8e = BuildMacDataObject(ctx, macInput);
  secured.Data.insert(secured.Data.end(), do8e.begin(), do8e.end());
  return secured;
}

TCommandApdu BuildSecureSelectFile(tMRTD_CTX& ctx, std::uint8_t number) {
  return BuildProtectedCommand(ctx, BuildSelectFile(number));
}

std::optional<TCommandApdu> BuildSecureReadBinary(tMRTD_CTX& ctx, std::uint16_t offset, std::uint16_t length) {
  const std::optional<TCommandApdu> plain = BuildReadBinary(offset, length);
  if (!plain) return std::nullopt;
  return BuildProtectedCommand(ctx, *plain);
}
