#include "chipauth/ChipAuthCommands.h"

#include "card/DataObjects.h"
#include "card/GeneralAuthenticate.h"

namespace {

constexpr std::uint8_t kSetForComputation = 0x41;
constexpr std::uint8_t kAuthenticationTemplate = 0xA4;
constexpr std::uint8_t kKeyAgreementTemplate = 0xA6;

void AppendKeyId(std::vector<std::uint8_t>& data, std::optional<std::int64_t> keyId) {
  if (keyId) AppendDataObject(data, 0x84, KeyIdBytes(*keyId));
}

}  // namespace

std::vector<std::uint8_t> KeyIdBytes(std::int64_t keyId) {
  std::vector<std::uint8_t> bytes;
  auto value = static_cast<std::uint64_t>(keyId);
  do {
    bytes.insert(bytes.begin(), static_cast<std::uint8_t>(value & 0xFF));
    value >>= 8;
  } while (value != 0);
  return bytes;
}

TCommandApdu BuildCaMseSetAt(std::span<const std::uint8_t> oid, std::optional<std::int64_t> keyId) {
  TCommandApdu command{0x00,        kInsManageSecurityEnvironment, kSetForComputation, kAuthenticationTemplate, {},
                       std::nullopt};
  AppendDataObject(command.Data, 0x80, oid);
  AppendKeyId(command.Data, keyId);
  return command;
}

TCommandApdu BuildCaMseSetKat(std::span<const std::uint8_t> publicKey, std::optional<std::int64_t> keyId) {
  TCommandApdu command{0x00,        kInsManageSecurityEnvironment, kSetForComputation, kKeyAgreementTemplate, {},
                       std::nullopt};
  AppendDataObject(command.Data, 0x91, publicKey);
  AppendKeyId(command.Data, keyId);
  return command;
}

TCommandApdu BuildCaGeneralAuthenticate(std::span<const std::uint8_t> publicKey) {
  return BuildGeneralAuthenticate(0x80, publicKey, true);
}
