#include "bac/MrzInformation.h"

namespace {

// The last two characters of a decimal number written with a leading zero.
std::string LastTwoDigits(int value) {
  const std::string text = "0" + std::to_string(value);
  return text.substr(text.size() - 2);
}

std::string DateText(const TCalendarDate& date) {
  return LastTwoDigits(date.Year) + LastTwoDigits(date.Month) + LastTwoDigits(date.Day);
}

}  // namespace

std::string BuildMrzInformation(std::string_view documentNumber, const TCalendarDate& dateOfBirth,
                                const TCalendarDate& dateOfExpiry) {
  const std::string birth = DateText(dateOfBirth);
  const std::string expiry = DateText(dateOfExpiry);
  std::string info(documentNumber);
  info += MrzCheckDigit(documentNumber);
  info += birth;
  info += MrzCheckDigit(birth);
  info += expiry;
  info += MrzCheckDigit(expiry);
  return info;
}
