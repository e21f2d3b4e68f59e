#pragma once
// Reading EF.CardAccess (011C in the master file) in plain at the start of a
// reading, before the application is selected.

#include <optional>
#include <vector>

#include "card/CardSession.h"
#include "pace/CardAccess.h"

// The PACEInfos of EF.CardAccess: empty when the chip has no such file (it
// answers the SELECT or the read with an error status, 6A82 or 6982), when
// the file is longer than the program reads or holds no PACEInfo. Nothing
// when the card could not be reached.
std::optional<std::vector<TPaceInfo>> ReadCardAccess(TCardSession& session);
