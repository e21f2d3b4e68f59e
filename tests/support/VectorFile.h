#pragma once
// Reference values copied from published sources into a test's data folder:
// `[section]` headers, `NAME = HEX` one value a line (text after the value is
// a comment), `#` lines and blank lines skipped. One section by name, each
// value by its name, as hexadecimal bytes or as the text written.

#include <map>
#include <string>

#include "support/Hex.h"

class TVectorSection {
public:
  explicit TVectorSection(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  TBytes Bytes(const std::string& name) const { return Hex(Text(name)); }
  // Raises std::out_of_range when the section has no such value.
  const std::string& Text(const std::string& name) const;

private:
  std::map<std::string, std::string> values_;
};

// Section `section` of the file at path; raises std::runtime_error when the
// file cannot be read or has no such section.
TVectorSection ReadVectorSection(const std::string& path, const std::string& section);
