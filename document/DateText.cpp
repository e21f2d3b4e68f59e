#include "document/DateText.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

std::optional<int> Number(std::string_view digits) {
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  int value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

// The date's text in the short format, or the stored text when it names no date.
std::string DateOr(std::string_view text, std::optional<int> year, std::optional<int> month, std::optional<int> day) {
  if (!year || !month || !day || !QDate::isValid(*year, *month, *day)) return std::string(text);
  return ShortDateText({*year, *month, *day});
}

}  // namespace

std::string ShortDateText(const TCalendarDate& date) {
  const QDate day(date.Year, date.Month, date.Day);
  if (!day.isValid()) return {};
  return QLocale::system().toString(day, QLocale::ShortFormat).toStdString();
}

int ExpiryYear(int yy, const TCalendarDate& typed, int thisYear) {
  if (typed.Year % 100 == yy && typed.Year > 0) return typed.Year;
  return 2000 + yy - thisYear > 50 ? 1900 + yy : 2000 + yy;
}

std::string ExpiryDateText(std::string_view yymmdd, const TCalendarDate& typed) {
  if (yymmdd.size() != 6) return std::string(yymmdd);
  const std::optional<int> yy = Number(yymmdd.substr(0, 2));
  const std::optional<int> month = Number(yymmdd.substr(2, 2));
  const std::optional<int> day = Number(yymmdd.substr(4, 2));
  // The typed century counts only for the very date typed.
  const bool sameDate = month == typed.Month && day == typed.Day;
  const std::optional<int> year =
      yy ? std::optional<int>(ExpiryYear(*yy, sameDate ? typed : TCalendarDate{}, QDate::currentDate().year()))
         : std::nullopt;
  return DateOr(yymmdd, year, month, day);
}

std::string FullDateText(std::string_view yyyymmdd) {
  if (yyyymmdd.size() != 8) return std::string(yyyymmdd);
  return DateOr(yyyymmdd, Number(yyyymmdd.substr(0, 4)), Number(yyyymmdd.substr(4, 2)), Number(yyyymmdd.substr(6, 2)));
}
