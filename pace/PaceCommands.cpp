#include "pace/PaceCommands.h"

#include "card/DataObjects.h"

TCommandApdu BuildMseSetAt(std::span<const std::uint8_t> oid, TPasswordReference password,
                           std::optional<std::uint8_t> parameterId) {
  TCommandApdu command{0x00, kInsManageSecurityEnvironment, 0xC1, 0xA4, {}, std::nullopt};
  AppendDataObject(command.Data, 0x80, oid);
  const auto reference = static_cast<std::uint8_t>(password);
  AppendDataObject(command.Data, 0x83, std::span<const std::uint8_t>(&reference, 1));
  if (parameterId) AppendDataObject(command.Data, 0x84, std::span<const std::uint8_t>(&*parameterId, 1));
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
