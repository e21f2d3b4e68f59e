// Cutting the MRZ into the DG1 fields, one table row per ICAO 9303 layout.
// Positions count from 1, as in ICAO 9303; a position beyond the end of the
// MRZ gives an empty or shorter text.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/DG1.h"

namespace {

constexpr char kFiller = '<';

struct TPositions {
  std::size_t First = 0;  // 1-based; 0 for a field the layout lacks
  std::size_t Last = 0;
  constexpr std::size_t Count() const { return First == 0 ? 0 : Last - First + 1; }
};

// `count` characters from the 1-based position `first`.
std::string_view Take(std::string_view text, std::size_t first, std::size_t count) {
  first = std::max<std::size_t>(first, 1);
  if (first > text.size()) return {};
  return text.substr(first - 1, count);
}

std::string_view Take(std::string_view text, TPositions at) { return Take(text, at.First, at.Count()); }

std::string WithoutFillers(std::string_view text) {
  std::string out(text);
  std::erase(out, kFiller);
  return out;
}

// Fillers become blanks, then blanks and control characters leave both ends.
std::string SpacedAndTrimmed(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), kFiller, ' ');
  const auto isBlank = [](char c) { return static_cast<std::uint8_t>(c) <= 0x20; };
  const auto first = std::find_if_not(out.begin(), out.end(), isBlank);
  const auto last = std::find_if_not(out.rbegin(), out.rend(), isBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

struct TNames {
  std::string_view Surname;
  std::string GivenNames;
};

constexpr std::size_t kGivenNamesCapacity = decltype(tDG1File::GivenNames)::kCapacity;

// The passport rule: the "<<" boundary is looked for from the start of the
// name field to the end of the MRZ, and the given names are taken from the
// first line only.
TNames CutPassportNames(std::string_view mrz, TPositions field) {
  const std::size_t pair = mrz.find("<<", field.First - 1);
  const std::size_t boundary = pair == std::string_view::npos ? 0 : pair + 1;
  const std::size_t filler = mrz.find(kFiller, boundary);
  const std::size_t givenStart = filler == std::string_view::npos ? 0 : filler + 1;

  TNames names;
  if (boundary > field.First) names.Surname = Take(mrz, field.First, boundary - field.First);
  const std::string_view firstLine = Take(mrz, 1, field.Last);
  names.GivenNames =
      SpacedAndTrimmed(Take(firstLine, givenStart + 1, kGivenNamesCapacity + 1).substr(0, kGivenNamesCapacity));
  return names;
}

// The card rule: surname and given names both lie within the name field.
TNames CutFieldNames(std::string_view mrz, TPositions field) {
  const std::string_view names = Take(mrz, field);
  const std::size_t boundary = names.find("<<");
  if (boundary == std::string_view::npos) return {names, {}};
  return {names.substr(0, boundary), SpacedAndTrimmed(names.substr(boundary + 2).substr(0, kGivenNamesCapacity))};
}

struct TMrzLayout {
  std::size_t Length;  // MRZ length that selects the layout
  TPositions DocumentCode;
  TPositions IssuingState;
  TPositions DocumentNumber;
  TPositions OptionalData;
  TPositions OptionalDataWhenEmpty;  // where to look when OptionalData holds only fillers
  std::size_t Sex;
  TPositions DateOfExpiry;
  TPositions Names;
  TNames (*CutNames)(std::string_view mrz, TPositions field);
};

constexpr std::array kCardLayouts{
    // TD1: three lines of 30.
    TMrzLayout{90, {1, 2}, {3, 5}, {6, 14}, {16, 30}, {49, 59}, 38, {39, 44}, {61, 90}, CutFieldNames},
    // TD2: two lines of 36.
    TMrzLayout{72, {1, 2}, {3, 5}, {37, 45}, {65, 71}, {}, 57, {58, 63}, {6, 36}, CutFieldNames},
};

// TD3: two lines of 44; also every MRZ of another length.
constexpr TMrzLayout kPassportLayout{0,  {1, 2}, {3, 5},   {45, 53}, {73, 86},
                                     {}, 65,     {66, 71}, {6, 44},  CutPassportNames};

const TMrzLayout& LayoutOf(std::string_view mrz) {
  const auto found = std::find_if(kCardLayouts.begin(), kCardLayouts.end(),
                                  [&](const TMrzLayout& layout) { return layout.Length == mrz.size(); });
  return found != kCardLayouts.end() ? *found : kPassportLayout;
}

}  // namespace

tDG1File CutMrz(std::string_view mrz) {
  const TMrzLayout& layout = LayoutOf(mrz);
  tDG1File dg1;

  dg1.DocumentCode = Take(mrz, layout.DocumentCode);
  if (dg1.DocumentCode.Size() == 2 && dg1.DocumentCode.View()[1] == kFiller) {
    dg1.DocumentCode = dg1.DocumentCode.View().substr(0, 1);
  }
  dg1.IssuingState = Take(mrz, layout.IssuingState);

  const TNames names = layout.CutNames(mrz, layout.Names);
  dg1.Surname = names.Surname;
  dg1.GivenNames = names.GivenNames;

  dg1.DocumentNumber = WithoutFillers(Take(mrz, layout.DocumentNumber));
  std::string optional = WithoutFillers(Take(mrz, layout.OptionalData));
  if (optional.empty()) optional = WithoutFillers(Take(mrz, layout.OptionalDataWhenEmpty));
  dg1.OptionalData = optional;
  dg1.Sex = Take(mrz, layout.Sex, 1);
  dg1.DateOfExpiry = Take(mrz, layout.DateOfExpiry);
  return dg1;
}
