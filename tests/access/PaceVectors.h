#pragma once
// The PACE reference values of data/ (pace-vectors.txt, copied from the
// published examples, and dh-leading-zero.txt): one section by name, each
// value by its name, as hexadecimal bytes or as the text written.

#include <map>
#include <string>

#include "support/Hex.h"

class TVectorSection {
public:
  explicit TVectorSection(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  TBytes Bytes(const std::string& name) const { return Hex(Text(name)); }
  const std::string& Text(const std::string& name) const;

private:
  std::map<std::string, std::string> values_;
};

// Section `section` of file (a name inside tests/access/data).
TVectorSection PaceVectors(const std::string& file, const std::string& section);
inline TVectorSection PublishedVectors(const std::string& section) { return PaceVectors("pace-vectors.txt", section); }
