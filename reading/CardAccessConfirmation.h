#pragma once
// EF.CardAccess is not signed: a copy could offer a weaker PACE than the chip
// holds. The PACEInfos it offered must be among those of the chip's signed
// SecurityInfos, DG14 (when its hash matches an EF.SOD whose signature and
// chain hold) or EF.CardSecurity (when it verified). PACEInfos are compared by
// protocol and parameterId: those say what PACE runs and on which group; the
// version (2 for every PACEInfo) tells the terminal nothing it could be
// steered by, so a difference in it alone is no downgrade.

#include <optional>

#include "document/Document.h"

// True when every PACEInfo EF.CardAccess offered is in a verified signed set;
// false when one is missing (a downgrade); nothing when there is nothing to
// compare (EF.CardAccess offered no PACEInfo, or neither DG14 nor
// EF.CardSecurity was read and verified).
std::optional<bool> CardAccessConfirmed(const TDocument& document);
