#include "document/DG12.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "card/BerLength.h"
#include "document/CodePage.h"

namespace {

constexpr std::uint8_t kDG12Tag = 0x6C;
constexpr std::uint16_t kTagListTag = 0x5C;
constexpr std::uint16_t kOtherPersonsTag = 0xA0;
constexpr std::uint16_t kOtherPersonTag = 0x5F1A;

struct TDataObject {
  std::uint16_t Tag = 0;
  std::span<const std::uint8_t> Value;  // cut at the end of the enclosing object
};

// The data objects of content, one after the other, until one cannot be read.
std::vector<TDataObject> DataObjects(std::span<const std::uint8_t> content) {
  std::vector<TDataObject> objects;
  std::size_t at = 0;
  while (at < content.size()) {
    std::uint16_t tag = content[at++];
    if ((tag & 0x1F) == 0x1F) {
      if (at >= content.size()) break;
      tag = static_cast<std::uint16_t>(tag << 8 | content[at++]);
    }
    const std::optional<TBerLength> length = ParseBerLength(content.subspan(at));
    if (!length) break;
    at += length->FieldSize;
    const std::size_t available = std::min(length->Value, content.size() - at);
    objects.push_back({tag, content.subspan(at, available)});
    at += available;
  }
  return objects;
}

std::string Text(std::span<const std::uint8_t> value) {
  return SanitizeUtf8(std::string_view(reinterpret_cast<const char*>(value.data()), value.size()));
}

using TTextField = std::optional<std::string> tDG12File::*;
using TSizeField = std::optional<std::size_t> tDG12File::*;

struct TFieldTag {
  std::uint16_t Tag;
  TTextField Text;
  TSizeField Size;
};

constexpr std::array kFieldTags{
    TFieldTag{0x5F19, &tDG12File::IssuingAuthority, nullptr},
    TFieldTag{0x5F26, &tDG12File::DateOfIssue, nullptr},
    TFieldTag{0x5F1B, &tDG12File::Endorsements, nullptr},
    TFieldTag{0x5F1C, &tDG12File::TaxExitRequirements, nullptr},
    TFieldTag{0x5F1D, nullptr, &tDG12File::FrontImageSize},
    TFieldTag{0x5F1E, nullptr, &tDG12File::RearImageSize},
    TFieldTag{0x5F55, &tDG12File::PersonalizationTime, nullptr},
    TFieldTag{0x5F56, &tDG12File::PersonalizationSerial, nullptr},
};

void Store(const TDataObject& object, tDG12File& dg12) {
  if (object.Tag == kOtherPersonsTag) {
    // The count (tag 02) is not trusted: the names present are taken.
    for (const TDataObject& inner : DataObjects(object.Value))
      if (inner.Tag == kOtherPersonTag) dg12.OtherPersons.push_back(Text(inner.Value));
    return;
  }
  const auto field = std::find_if(kFieldTags.begin(), kFieldTags.end(),
                                  [&](const TFieldTag& candidate) { return candidate.Tag == object.Tag; });
  if (field == kFieldTags.end()) return;
  if (field->Text) dg12.*field->Text = Text(object.Value);
  if (field->Size) dg12.*field->Size = object.Value.size();
}

}  // namespace

std::optional<tDG12File> DecodeDG12(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes[0] != kDG12Tag) return std::nullopt;
  const std::optional<TBerLength> length = ParseBerLength(bytes.subspan(1));
  if (!length) return std::nullopt;
  const std::size_t start = 1 + length->FieldSize;
  const std::span<const std::uint8_t> content =
      bytes.subspan(std::min(start, bytes.size()))
          .first(std::min(length->Value, bytes.size() - std::min(start, bytes.size())));
  tDG12File dg12;
  for (const TDataObject& object : DataObjects(content))
    if (object.Tag != kTagListTag) Store(object, dg12);
  return dg12;
}
