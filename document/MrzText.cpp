#include "document/MrzText.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "document/MrzCheckDigit.h"

namespace {

// A stretch of one MRZ line.
struct TSpot {
  std::size_t Line = 0;
  std::size_t Start = 0;
  std::size_t Length = 0;
};

// Where a format keeps the fields Basic Access Control needs (ICAO 9303).
struct TMrzLayout {
  TMrzFormat Format;
  std::size_t Lines;
  std::size_t Width;
  TSpot Number;  // nine characters, its check digit after it
  TSpot Birth;   // YYMMDD, its check digit after it
  TSpot Expiry;  // YYMMDD, its check digit after it
  TSpot CompositeDigit;
  std::array<TSpot, 4> Composite;  // the stretches the composite check digit covers; unused ones empty
};

constexpr std::array<TMrzLayout, 3> kLayouts{{
    {TMrzFormat::TD1,
     3,
     30,
     {0, 5, 9},
     {1, 0, 6},
     {1, 8, 6},
     {1, 29, 1},
     {{{0, 5, 25}, {1, 0, 7}, {1, 8, 7}, {1, 18, 11}}}},
    {TMrzFormat::TD2, 2, 36, {1, 0, 9}, {1, 13, 6}, {1, 21, 6}, {1, 35, 1}, {{{1, 0, 10}, {1, 13, 7}, {1, 21, 14}}}},
    {TMrzFormat::TD3, 2, 44, {1, 0, 9}, {1, 13, 6}, {1, 21, 6}, {1, 43, 1}, {{{1, 0, 10}, {1, 13, 7}, {1, 21, 22}}}},
}};

// In a TD1 with a document number of more than nine characters the number's
// tenth place holds a filler and the optional data goes on with the rest of
// the number and its check digit.
constexpr TSpot kTd1OptionalData{0, 15, 15};

constexpr char kFiller = '<';

bool IsMrzCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == kFiller; }

std::string_view Trimmed(std::string_view line) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const auto first = line.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

const TMrzLayout* LayoutOf(const std::vector<std::string>& lines) {
  const auto layout = std::ranges::find_if(kLayouts, [&lines](const TMrzLayout& l) {
    return l.Lines == lines.size() &&
           std::ranges::all_of(lines, [&l](const std::string& s) { return s.size() == l.Width; });
  });
  return layout == kLayouts.end() ? nullptr : &*layout;
}

class TMrzView {
public:
  explicit TMrzView(const std::vector<std::string>& lines) : lines_(lines) {}
  std::string_view At(const TSpot& spot) const {
    return std::string_view(lines_[spot.Line]).substr(spot.Start, spot.Length);
  }
  // The character right after a spot: its check digit.
  char After(const TSpot& spot) const { return lines_[spot.Line][spot.Start + spot.Length]; }

private:
  const std::vector<std::string>& lines_;
};

// The document number and its check digit, a TD1 continuation taken whole.
struct TNumber {
  std::string Number;
  char CheckDigit;
};

TNumber NumberOf(const TMrzView& mrz, const TMrzLayout& layout) {
  TNumber number{std::string(mrz.At(layout.Number)), mrz.After(layout.Number)};
  if (layout.Format != TMrzFormat::TD1 || number.CheckDigit != kFiller) return number;
  const std::string_view optional = mrz.At(kTd1OptionalData);
  const std::string_view continuation = optional.substr(0, optional.find(kFiller));
  if (continuation.empty()) return number;
  number.Number += continuation.substr(0, continuation.size() - 1);
  number.CheckDigit = continuation.back();
  return number;
}

// The year of a YYMMDD date: the latest one not after `latest` (a date).
std::optional<TCalendarDate> DateNotAfter(std::string_view yymmdd, const std::chrono::year_month_day& latest) {
  if (!std::ranges::all_of(yymmdd, [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
  const auto twoDigits = [yymmdd](std::size_t at) { return (yymmdd[at] - '0') * 10 + (yymmdd[at + 1] - '0'); };
  const int yy = twoDigits(0);
  const int latestYear = static_cast<int>(latest.year());
  int year = latestYear - ((latestYear - yy) % 100 + 100) % 100;
  const std::chrono::month_day monthDay{std::chrono::month(static_cast<unsigned>(twoDigits(2))),
                                        std::chrono::day(static_cast<unsigned>(twoDigits(4)))};
  if (!monthDay.ok()) return std::nullopt;
  if (std::chrono::year_month_day(std::chrono::year(year), monthDay.month(), monthDay.day()) > latest) year -= 100;
  const std::chrono::year_month_day date(std::chrono::year(year), monthDay.month(), monthDay.day());
  if (!date.ok()) return std::nullopt;  // 29 February of a year that has none
  return TCalendarDate{year, twoDigits(2), twoDigits(4)};
}

std::chrono::year_month_day YearsAfter(const TCalendarDate& date, int years) {
  const std::chrono::year_month_day shifted{std::chrono::year(date.Year + years),
                                            std::chrono::month(static_cast<unsigned>(date.Month)),
                                            std::chrono::day(static_cast<unsigned>(date.Day))};
  // 29 February fifty years on is the last day of that February.
  return shifted.ok() ? shifted : std::chrono::year_month_day(shifted.year() / shifted.month() / std::chrono::last);
}

std::optional<TMrzFault> CheckDigitFault(const TMrzView& mrz, const TMrzLayout& layout, const TNumber& number) {
  std::string composite;
  for (const TSpot& spot : layout.Composite) composite += mrz.At(spot);
  struct TCheck {
    TMrzField Field;
    std::string_view Covered;
    char Digit;
  };
  const std::array<TCheck, 4> checks{{
      {TMrzField::DocumentNumber, number.Number, number.CheckDigit},
      {TMrzField::DateOfBirth, mrz.At(layout.Birth), mrz.After(layout.Birth)},
      {TMrzField::DateOfExpiry, mrz.At(layout.Expiry), mrz.After(layout.Expiry)},
      {TMrzField::Composite, composite, mrz.At(layout.CompositeDigit)[0]},
  }};
  const auto failed =
      std::ranges::find_if(checks, [](const TCheck& check) { return MrzCheckDigit(check.Covered) != check.Digit; });
  if (failed == checks.end()) return std::nullopt;
  return TMrzFault{failed->Field, TMrzFaultKind::CheckDigit};
}

}  // namespace

std::optional<std::vector<std::string>> MrzLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const auto end = text.find_first_of("\r\n\t");
    const std::string_view line = Trimmed(text.substr(0, end));
    if (!line.empty()) lines.emplace_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  const bool mrzCharactersOnly =
      std::ranges::all_of(lines, [](const std::string& line) { return std::ranges::all_of(line, IsMrzCharacter); });
  if (!mrzCharactersOnly || LayoutOf(lines) == nullptr) return std::nullopt;
  return lines;
}

std::optional<TMrzText> ReadMrzText(std::string_view text, const TCalendarDate& today) {
  const auto lines = MrzLines(text);
  if (!lines) return std::nullopt;
  const TMrzLayout& layout = *LayoutOf(*lines);
  const TMrzView mrz(*lines);
  const TNumber number = NumberOf(mrz, layout);

  TMrzText read;
  read.Format = layout.Format;
  read.Fault = CheckDigitFault(mrz, layout, number);
  if (read.Fault) return read;

  const auto birth = DateNotAfter(mrz.At(layout.Birth), YearsAfter(today, 0));
  const auto expiry = DateNotAfter(mrz.At(layout.Expiry), YearsAfter(today, 50));
  if (!birth || !expiry) {
    read.Fault = TMrzFault{birth ? TMrzField::DateOfExpiry : TMrzField::DateOfBirth, TMrzFaultKind::NotADate};
    return read;
  }
  read.DocumentNumber = number.Number;
  read.DateOfBirth = *birth;
  read.DateOfExpiry = *expiry;
  return read;
}

std::string_view MrzFieldName(TMrzField field) {
  static constexpr std::array<std::string_view, 4> kNames{"document number", "date of birth", "date of expiry",
                                                          "composite"};
  return kNames[static_cast<std::size_t>(field)];
}

std::string MrzFaultLine(const TMrzFault& fault) {
  const std::string field(MrzFieldName(fault.Field));
  if (fault.Kind == TMrzFaultKind::NotADate) return "MRZ: the " + field + " is not a date";
  return "MRZ: check digit of the " + field + " does not match";
}
