#include "support/MrzInputs.h"

#include <stdexcept>
#include <string>

namespace {

int Digits(std::string_view text, std::size_t at) { return std::stoi(std::string(text.substr(at, 2))); }

TCalendarDate DateAt(std::string_view text, std::size_t at) {
  const int year = Digits(text, at);
  return {year >= 70 ? 1900 + year : 2000 + year, Digits(text, at + 2), Digits(text, at + 4)};
}

}  // namespace

TReadInputs InputsFromMrzInformation(std::string_view mrzInformation, bool pictureWanted) {
  // Document number and check digit, date of birth and check digit, date of expiry and check digit.
  if (mrzInformation.size() < 24) throw std::invalid_argument("MRZ information shorter than 24 characters");
  const std::size_t numberLength = mrzInformation.size() - 15;
  return {std::string(mrzInformation.substr(0, numberLength)), DateAt(mrzInformation, numberLength + 1),
          DateAt(mrzInformation, numberLength + 8), pictureWanted};
}
