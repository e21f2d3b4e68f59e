#pragma once
// Opening the document: EF.CardAccess, PACE when the chip offers it, else the
// eMRTD application selected and Basic Access Control when the chip demands
// it, then EF.COM read whole.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "card/CardSession.h"
#include "crypto/SecretBuffer.h"
#include "document/Document.h"
#include "pace/CardAccess.h"
#include "pace/ChipAuthenticationMapping.h"

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
  bool NoCan = false;      // the CAN was asked for and not given: the reading ends
  bool ComAbsent = false;  // EF.COM answered 6A82 (under secure messaging or on a chip without access control)
  std::vector<TPaceInfo> PaceInfos;  // what EF.CardAccess offered
  // PACE established with Chip Authentication Mapping: what the chip sent for
  // the check, and EF.CardSecurity read before the application was selected.
  std::optional<TCamEvidence> Cam;
  TFileRead CardSecurity;
};

// The card access number (CAN) for PACE, asked of the operator when the chip
// offers PACE and no document number was typed, or when MSE:Set AT refuses
// the MRZ as password (6A88). Ask returns the CAN's characters, or nothing
// when the operator cancels ("PACE: not tried (no CAN given)", and the
// reading ends); a wrong CAN ("PACE: failed (wrong CAN)") asks again. The
// CAN is wiped once PACE has run with it; BAC never follows a CAN.
struct TCanSource {
  std::function<std::optional<TSecretBuffer>()> Ask;  // none: the CAN is never asked for
  bool MrzGiven = true;  // false: no document number typed, the CAN is asked for before any PACE
};

// The returned record tells how the chip was opened (for the document model).
// After PACE-CAM, EF.CardSecurity (011D of the master file) is read whole
// under PACE's secure messaging before the application is selected; its check
// is the reading's.
// Under secure messaging an EF.COM the chip does not have (6A82) logs
// "EF.COM: absent; data groups from EF.SOD" and leaves efCom empty.
TOpening OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session,
                      const TCanSource& can = {});
