#include "card/GeneralAuthenticate.h"

#include "card/DataObjects.h"

TCommandApdu BuildGeneralAuthenticate(std::uint8_t tag, std::span<const std::uint8_t> value, bool last) {
  std::vector<std::uint8_t> inner;
  AppendDataObject(inner, tag, value);
  TCommandApdu command{last ? std::uint8_t{0x00} : kChainedClass, kInsGeneralAuthenticate, 0x00, 0x00, {}, 256};
  AppendDataObject(command.Data, kDynamicAuthenticationData, inner);
  // A key too long for a short command goes extended; the chip's key in
  // answer is as long, so the whole answer is asked for (Le 00 00).
  if (command.Data.size() > kShortMaxCommandData) command.Le = kExtendedMaxAnswerData;
  return command;
}

std::optional<std::vector<std::uint8_t>> AuthenticationDataObject(std::span<const std::uint8_t> data,
                                                                  std::uint16_t tag) {
  const std::optional<TDataObject> outer = ReadDataObject(data);
  if (!outer || outer->Tag != kDynamicAuthenticationData || outer->Length != data.size()) return std::nullopt;
  const auto value = FindDataObject(outer->Value, tag);
  if (!value) return std::nullopt;
  return std::vector<std::uint8_t>(value->begin(), value->end());
}
