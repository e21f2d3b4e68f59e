#include "document/FullName.h"

#include <algorithm>

namespace {

std::string Spaced(std::string_view part) {
  std::string text(part);
  std::replace(text.begin(), text.end(), '<', ' ');
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

TNameParts SplitFullName(std::string_view fullName) {
  const std::size_t boundary = fullName.find("<<");
  if (boundary == std::string_view::npos) return {Spaced(fullName), {}};
  return {Spaced(fullName.substr(0, boundary)), Spaced(fullName.substr(boundary + 2))};
}
