#include "access/PaceCommands.h"

#include "access/DataObjects.h"

namespace {

constexpr std::uint8_t kChainedClass = 0x10;
constexpr std::uint16_t kDynamicAuthenticationData = 0x7C;

}  // namespace

TCommandApdu BuildMseSetAt(std::span<const std::uint8_t> oid, TPasswordReference password,
                           std::optional<std::uint8_t> parameterId) {
  TCommandApdu command{0x00, kInsManageSecurityEnvironment, 0xC1, 0xA4, {}, std::nullopt};
  AppendDataObject(command.Data, 0x80, oid);
  const auto reference = static_cast<std::uint8_t>(password);
  AppendDataObject(command.Data, 0x83, std::span<const std::uint8_t>(&reference, 1));
  if (parameterId) AppendDataObject(command.Data, 0x84, std::span<const std::uint8_t>(&*parameterId, 1));
  return command;
}

TCommandApdu BuildGeneralAuthenticate(std::uint8_t tag, std::span<const std::uint8_t> value, bool last) {
  std::vector<std::uint8_t> inner;
  AppendDataObject(inner, tag, value);
  TCommandApdu command{last ? std::uint8_t{0x00} : kChainedClass, kInsGeneralAuthenticate, 0x00, 0x00, {}, 256};
  AppendDataObject(command.Data, kDynamicAuthenticationData, inner);
  return command;
}

TCommandApdu BuildGeneralAuthenticateStart() {
  TCommandApdu command{kChainedClass, kInsGeneralAuthenticate, 0x00, 0x00, {}, 256};
  AppendDataObject(command.Data, kDynamicAuthenticationData, {});
  return command;
}

std::vector<std::uint8_t> PublicKeyDataObject(std::span<const std::uint8_t> oid, std::uint8_t keyTag,
                                              std::span<const std::uint8_t> publicKey) {
  std::vector<std::uint8_t> inner;
  AppendDataObject(inner, 0x06, oid);
  AppendDataObject(inner, keyTag, publicKey);
  std::vector<std::uint8_t> object;
  AppendDataObject(object, 0x7F49, inner);
  return object;
}

std::optional<std::vector<std::uint8_t>> AuthenticationDataObject(std::span<const std::uint8_t> data,
                                                                  std::uint16_t tag) {
  const std::optional<TDataObject> outer = ReadDataObject(data);
  if (!outer || outer->Tag != kDynamicAuthenticationData || outer->Length != data.size()) return std::nullopt;
  const auto value = FindDataObject(outer->Value, tag);
  if (!value) return std::nullopt;
  return std::vector<std::uint8_t>(value->begin(), value->end());
}
