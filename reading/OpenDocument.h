#pragma once
// Opening the document: EF.CardAccess, PACE when the chip offers it, else the
// eMRTD application selected and Basic Access Control when the chip demands
// it, then EF.COM read whole.

#include <array>
#include <cstdint>
#include <string>

#include "card/CardSession.h"
#include "document/Document.h"

using TEFComBuffer = std::array<std::uint8_t, 256>;

// Reads EF.CardAccess; runs PACE when it lists PACE, then selects the eMRTD
// application and EF.COM under secure messaging. Otherwise (or when the chip
// turns PACE down as unsupported) selects the application and runs BAC when
// the chip demands it. Reads EF.COM whole into efCom (zero-filled by the
// caller). Logs every failure. Starts without secure messaging and leaves in force on the session the secure
// messaging the data groups are read through: PACE's; none for a chip that
// never asked for BAC; BAC's (3DES on the session's record) for one that did,
// whether BAC succeeded or not, and after a failed PACE (keyless, so no data
// is taken).
// How the chip was opened, and what EF.CardAccess gave.
struct TOpening {
  TAccessControl Access = TAccessControl::NotRun;
  TFileState CardAccess = TFileState::NotAsked;
};

// The returned record tells how the chip was opened (for the document model).
TOpening OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session);
