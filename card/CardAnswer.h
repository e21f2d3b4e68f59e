#pragma once
// What one exchange with the chip gave: the answer taken (its data opened by
// the secure messaging in force, its status word), or a typed error.

#include <cstdint>

#include "reader/Apdu.h"

enum class TCardError {
  None,
  LinkLost,  // the reader or the card could not be reached: PcscResult holds the PC/SC code
  WrongMac,  // the chip's MAC differs: the step logs its own line
  TooShort,  // an answer too short to carry data: logged "Hata #1 : %d" when opened
  Rejected,  // unsafe data objects or data too long: logged "Hata #2".."Hata #5 : %d" when opened
};

struct TCardAnswer {
  TCardError Error = TCardError::None;
  std::int32_t PcscResult = 0;  // LinkLost only
  // Status: the answer's status word as the chip sent it (also for an answer
  // not taken; kSwNoStatus when nothing came back). Data: the data of an
  // answer taken, opened.
  TResponseApdu Response;

  bool Taken() const { return Error == TCardError::None; }
  std::uint16_t Status() const { return Response.Status; }
};
