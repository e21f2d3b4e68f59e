#include "support/VectorFile.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

const std::string& TVectorSection::Text(const std::string& name) const {
  const auto found = values_.find(name);
  if (found == values_.end()) throw std::out_of_range("no value " + name);
  return found->second;
}

TVectorSection ReadVectorSection(const std::string& path, const std::string& section) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::map<std::string, std::string> values;
  std::string line;
  std::string current;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      current = line.substr(1, line.find(']') - 1);
      continue;
    }
    const auto equals = line.find('=');
    if (current != section || equals == std::string::npos) continue;
    std::istringstream name(line.substr(0, equals));
    std::istringstream value(line.substr(equals + 1));
    std::string key;
    std::string text;
    name >> key;
    value >> text;
    values[key] = text;
  }
  if (values.empty()) throw std::runtime_error("no section " + section + " in " + path);
  return TVectorSection(std::move(values));
}
