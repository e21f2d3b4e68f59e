#pragma once
// The checks the card probe runs against the virtual passport through the real
// pcsc-lite: the reader is listed, the card answers like an eMRTD, BAC works,
// every file of the served document reads back whole under secure messaging,
// and powering the card down ends the session.

#include <string>

#include "tools/simchip/DocumentFile.h"

namespace vreader {

// Runs every check in order, printing one line per check; returns the number
// of failed checks (a failed check that later ones depend on stops the run).
int RunSmokeChecks(const simchip::TDocument& document, const std::string& readerSubstring);

}  // namespace vreader
