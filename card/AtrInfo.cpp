#include "card/AtrInfo.h"

#include "card/DataObjects.h"

namespace {

constexpr std::uint16_t kExtendedLengthInfo = 0x7F66;
constexpr std::uint16_t kInteger = 0x02;
constexpr std::size_t kExtendedCommandOverhead = 4 + 3 + 2;  // header, Lc 00 LL LL, Le LL LL
constexpr std::size_t kStatusWord = 2;

// An unsigned integer of up to four bytes.
std::optional<std::size_t> SmallInteger(std::span<const std::uint8_t> value) {
  if (value.empty() || value.size() > 4) return std::nullopt;
  std::size_t number = 0;
  for (const std::uint8_t byte : value) number = number << 8 | byte;
  return number;
}

}  // namespace

std::optional<TChipApduLimits> ExtendedLengthInfo(std::span<const std::uint8_t> content) {
  // The file may be padded after its objects (00 or FF): only the objects before are read.
  std::optional<std::span<const std::uint8_t>> info;
  for (std::span<const std::uint8_t> rest = content; !rest.empty() && !info;) {
    const std::optional<TDataObject> object = ReadDataObject(rest);
    if (!object) return std::nullopt;
    if (object->Tag == kExtendedLengthInfo) info = object->Value;
    rest = rest.subspan(object->Length);
  }
  if (!info) return std::nullopt;
  const std::optional<TDataObject> command = ReadDataObject(*info);
  if (!command || command->Tag != kInteger) return std::nullopt;
  const std::optional<TDataObject> answer = ReadDataObject(info->subspan(command->Length));
  if (!answer || answer->Tag != kInteger) return std::nullopt;
  const std::optional<std::size_t> commandBytes = SmallInteger(command->Value);
  const std::optional<std::size_t> answerBytes = SmallInteger(answer->Value);
  if (!commandBytes || !answerBytes || *commandBytes < kExtendedCommandOverhead || *answerBytes < kStatusWord)
    return std::nullopt;
  return TChipApduLimits{*commandBytes - kExtendedCommandOverhead, *answerBytes - kStatusWord};
}
