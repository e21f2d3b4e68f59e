#pragma once
// The steps of one reading, each a function over the reading (the card, the
// document, the inputs, what the window keeps). Each reads its file(s) into
// the document, decodes them, runs its protocol, writes its log lines and
// has the presenter show what it decoded, at the moment it happens. A step
// that fails logs and the reading goes on, unless the step ends it;
// EReadError and EJpeg2000Error end the reading and reach the caller.
// ReadSequence.h lists them in the order they run.

#include "reading/Reading.h"

enum class TStepEnd {
  Next,        // the reading goes on
  EndReading,  // nothing more is read
};

// Connects to the card; with no card (or no reader) logs the PC/SC error and ends the reading.
TStepEnd ConnectCard(TReading& reading);
// EF.CardAccess, PACE or BAC, and EF.COM read whole (see OpenDocument.h).
TStepEnd OpenWithPaceOrBac(TReading& reading);
// After PACE with Chip Authentication Mapping: EF.CardSecurity (read while
// opening) verified like EF.SOD, its line logged, and the key whose keyId is
// the PACEInfo's parameterId checked against the chip's CA_IC. Chip
// Authentication "PASSED (PACE-CAM)" then stands for DG14's, which is not
// run; no EF.CardSecurity makes it not possible; a wrong CA_IC or an
// EF.CardSecurity that does not verify fails it, is shown and ends the reading.
TStepEnd CheckPaceCam(TReading& reading);
// A chip without EF.COM: EF.SOD read now and the data groups it lists taken
// as the reading's list, so that they are read in their usual order.
TStepEnd ReadSodForItsList(TReading& reading);
// EF.COM decoded (nothing when the chip has none): the LDS version, the Unicode version and the data groups listed,
// logged.
TStepEnd ListEfCom(TReading& reading);

// When EF.COM (or EF.SOD) lists DG14: DG14 and the Chip Authentication it names. When it
// passes, the data groups after it come under the keys the chip has proved;
// when it fails, the failure is shown and the reading ends. DG14's options are
// tried in turn until one can be run here; none: not possible, with why.
TStepEnd ReadDg14AndChipAuthentication(TReading& reading);

// DG1: the MRZ, logged; the window told which document it is and its MRZ boxes
// filled. A DG1 not read whole ends the reading with the stream's read error.
TStepEnd ReadDg1(TReading& reading);
// DG11: its boxes (with the date of birth typed) and its eight log lines.
TStepEnd ReadDg11(TReading& reading);
// When EF.COM (or EF.SOD) lists DG12: its two boxes and a log line per value present.
TStepEnd ReadDg12(TReading& reading);
// When the picture is wanted: DG2 and its face shown (or the last face again).
TStepEnd ReadDg2(TReading& reading);

// When EF.COM (or EF.SOD) lists DG15: DG15 and Active Authentication with its key (the
// ECDSA hash named by DG14's ActiveAuthenticationInfo).
TStepEnd ReadDg15AndActiveAuthentication(TReading& reading);

// EF.SOD read (or why not), unless it was read first for its list.
TStepEnd ReadSod(TReading& reading);
// EF.COM is not signed: the data groups EF.SOD lists and EF.COM left out
// (none to catch up when EF.SOD's list was the reading's from the start)
// (DG12, DG14, DG15) are read now, each logged, so that a copy cannot skip
// the chip checks by leaving DG14 and DG15 out of EF.COM.
TStepEnd ReadWhatOnlyEfSodLists(TReading& reading);
// Passive Authentication of what this reading read, its lines logged.
TStepEnd CheckPassiveAuthentication(TReading& reading);
// The chip checks' lines and the document's verdict.
TStepEnd GiveVerdict(TReading& reading);
