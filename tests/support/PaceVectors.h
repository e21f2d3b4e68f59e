#pragma once
// The PACE reference values of data/ (pace-vectors.txt and
// pace-im-cam-vectors.txt, copied from the published examples and recorded
// sessions, and dh-leading-zero.txt).

#include <string>

#include "support/VectorFile.h"

// Section `section` of file (a name inside tests/support/data).
TVectorSection PaceVectors(const std::string& file, const std::string& section);
inline TVectorSection PublishedVectors(const std::string& section) { return PaceVectors("pace-vectors.txt", section); }
