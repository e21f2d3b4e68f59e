#include "document/DG11.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "card/BerLength.h"
#include "document/CodePage.h"

namespace {

constexpr std::uint8_t kDG11Tag = 0x6B;
constexpr std::uint8_t kTagListTag = 0x5C;
constexpr std::uint8_t kFieldTagFirst = 0x5F;

// Where a field's value goes: a UTF-8 field or a short Windows-1254 field.
struct TFieldTag {
  std::uint8_t Tag;
  std::string tDG11File::*Utf8;
  TDG11ShortText tDG11File::*Ansi;
};

constexpr std::array kFieldTags{
    TFieldTag{0x0E, &tDG11File::FullName, nullptr},     TFieldTag{0x10, nullptr, &tDG11File::PersonalNumber},
    TFieldTag{0x11, &tDG11File::PlaceOfBirth, nullptr}, TFieldTag{0x42, &tDG11File::Address, nullptr},
    TFieldTag{0x12, nullptr, &tDG11File::Telephone},    TFieldTag{0x13, &tDG11File::Profession, nullptr},
    TFieldTag{0x14, &tDG11File::Title, nullptr},        TFieldTag{0x15, &tDG11File::PersonalSummary, nullptr},
};

const TFieldTag* FieldOf(std::uint8_t tag) {
  const auto found =
      std::find_if(kFieldTags.begin(), kFieldTags.end(), [tag](const TFieldTag& field) { return field.Tag == tag; });
  return found != kFieldTags.end() ? &*found : nullptr;
}

std::span<const std::uint8_t> From(const TMemoryStream& stream, std::size_t position) {
  return stream.Bytes().subspan(std::min(position, stream.Size()));
}

// The BER length at the stream's position, moving past it. A first byte of
// another form counts as the length itself.
std::size_t ReadValueLength(TMemoryStream& stream) {
  const std::optional<TBerLength> length = ParseBerLength(From(stream, stream.Position()));
  if (!length) return stream.ReadByte();
  stream.SetPosition(stream.Position() + length->FieldSize);
  return length->Value;
}

// How far the tag list reaches past its length byte `first` (just read).
std::size_t TagListSkip(const TMemoryStream& stream, std::uint8_t first) {
  const std::optional<TBerLength> length = ParseBerLength(From(stream, stream.Position() - 1));
  return length ? length->FieldSize - 1 + length->Value : first;
}

void Store(const TFieldTag& field, std::string_view value, tDG11File& dg11) {
  const std::string text = SanitizeUtf8(value);
  if (field.Utf8) {
    dg11.*field.Utf8 = text;
  } else {
    dg11.*field.Ansi = Utf8ToAnsi(text);
  }
}

}  // namespace

void DecodeDG11(TMemoryStream& stream, tDG11File& dg11) {
  dg11 = tDG11File{};
  stream.Rewind();
  if (stream.ReadByte() != kDG11Tag) return;

  // Bytes that an earlier, longer data group left behind the object are not DG11's.
  std::size_t end = stream.Size();
  if (const auto length = ParseBerLength(From(stream, 1))) {
    end = std::min(end, 1 + length->FieldSize + length->Value);
    stream.SetPosition(1 + length->FieldSize);
  }

  bool tagListSkipped = false;
  while (stream.Position() + 1 < end) {
    const std::uint8_t a = stream.ReadByte();
    const std::uint8_t b = stream.ReadByte();
    if (!tagListSkipped && a == kTagListTag) {
      tagListSkipped = true;
      stream.SetPosition(stream.Position() + TagListSkip(stream, b));
      continue;
    }
    const TFieldTag* field = a == kFieldTagFirst ? FieldOf(b) : nullptr;
    if (!field) {
      stream.SetPosition(stream.Position() - 1);
      continue;
    }
    const std::size_t length = ReadValueLength(stream);
    if (length > stream.Remaining()) throw EReadError();
    // The bytes past the object's end are an earlier data group's: the value is cut there.
    const std::size_t begin = stream.Position();
    const std::size_t kept = begin < end ? std::min(length, end - begin) : 0;
    const std::span<const std::uint8_t> value = From(stream, begin).first(kept);
    stream.SetPosition(begin + length);
    Store(*field, std::string_view(reinterpret_cast<const char*>(value.data()), value.size()), dg11);
  }
}
