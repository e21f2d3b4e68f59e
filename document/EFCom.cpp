#include "document/EFCom.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

constexpr std::uint8_t kEFComTag = 0x60;
constexpr std::uint8_t kTagListTag = 0x5C;
constexpr std::size_t kLdsDigitsAt = 5;
constexpr std::size_t kUnicodeDigitsAt = 12;
constexpr std::size_t kTagListAt = 18;
constexpr std::size_t kTagCountAt = 19;
constexpr std::size_t kFirstTagAt = 20;
// The most tags that fit between the first tag position and the buffer's end.
constexpr std::size_t kMaxTags = kEFComBufferSize - kFirstTagAt;

// The character at 1-based position d is the tag byte of data group d.
constexpr std::string_view kDataGroupTags = "aucvefghijklmnop";

// Data group number of a tag byte; 0 for a byte that names none.
int DataGroupOfTag(std::uint8_t tag) {
  const std::size_t at = kDataGroupTags.find(static_cast<char>(tag));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string_view Chars(std::span<const std::uint8_t, kEFComBufferSize> buffer, std::size_t at, std::size_t count) {
  return {reinterpret_cast<const char*>(buffer.data()) + at, count};
}

// Inserts a point before the 1-based character `before`, keeping `capacity` characters.
std::string InsertPoint(std::string text, std::size_t before, std::size_t capacity) {
  text.insert(before - 1, 1, '.');
  text.resize(std::min(text.size(), capacity));
  return text;
}

}  // namespace

void DecodeEFCom(std::span<const std::uint8_t, kEFComBufferSize> buffer, tEFComFile& efCom) {
  constexpr std::size_t kVersionCapacity = decltype(efCom.LDSVersion)::kCapacity;
  const std::string blanks(kVersionCapacity, ' ');
  efCom.LDSVersion = blanks;
  efCom.UnicodeVersion = blanks;
  if (buffer[0] != kEFComTag) return;

  std::string lds = blanks;
  lds.replace(0, 4, Chars(buffer, kLdsDigitsAt, 4));
  efCom.LDSVersion = InsertPoint(lds, 3, kVersionCapacity);

  std::string unicode = blanks;
  unicode.replace(0, 6, Chars(buffer, kUnicodeDigitsAt, 6));
  efCom.UnicodeVersion = InsertPoint(InsertPoint(unicode, 3, kVersionCapacity), 6, kVersionCapacity);

  efCom.DataGroups = "";
  if (buffer[kTagListAt] != kTagListTag) return;

  const std::size_t count = std::min<std::size_t>(buffer[kTagCountAt], kMaxTags);
  for (const std::uint8_t tag : buffer.subspan(kFirstTagAt, count)) {
    const int group = DataGroupOfTag(tag);
    if (group == 0) continue;
    // A full list stays as it is: the new entry falls beyond the capacity.
    efCom.DataGroups = std::string(efCom.DataGroups.View()) + ",DG" + std::to_string(group);
  }
  if (!efCom.DataGroups.Empty()) efCom.DataGroups = efCom.DataGroups.View().substr(1);
}

bool ListsDataGroup(const tEFComFile& efCom, int number) {
  const std::string listed = "," + efCom.DataGroups.Str() + ",";
  return listed.find(",DG" + std::to_string(number) + ",") != std::string::npos;
}
