#pragma once
// How the reading of one file of the document ended, with the bytes that came.

#include <cstdint>
#include <vector>

enum class TFileState {
  NotAsked,  // the reading never asked for it (not listed, not wanted, or the reading ended before)
  Read,      // read whole
  Absent,    // the chip answered that it has no such file
  Refused,   // the chip turned the request down (access conditions, another status word, a wrong MAC)
  LinkLost,  // the card or the reader went before any of it came
  CutOff,    // the reading stopped part way
};

struct TFileRead {
  TFileState State = TFileState::NotAsked;
  // Read: the whole file, tag, length and value, as the chip sent it.
  // CutOff: the part that came. Otherwise empty.
  std::vector<std::uint8_t> Bytes;
};
