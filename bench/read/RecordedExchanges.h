#pragma once
// A reading recorded once and played back, as configurations of the test
// kit's scripted card: the recorder passes every PC/SC call to a real (or
// simulated) API and keeps each command with its answer (Exchanges, since the
// last Connect); the replayer answers the same commands from the recording at
// the cost of a copy, so that a reading can be timed without the chip's own work.

#include <vector>

#include "reader/PcscApi.h"
#include "support/ScriptedCard.h"

// Records the exchanges with inner.
TScriptedCard RecorderOf(TPcscApi& inner);

// Plays a recording back, from its first exchange at every Connect. One
// reader, "Zelvan Replay ACR122 00 00". A command that differs from the
// recorded one is counted in Mismatches and still gets the recorded answer;
// one after the end of the recording finds the card gone. Played() counts the
// commands answered since the last Connect.
TScriptedCard ReplayOf(std::vector<TAnswer> recording);
