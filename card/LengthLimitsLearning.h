#pragma once
// Learning at the start of a reading whether reader and chip take extended
// length, before anything else is sent to the chip.

#include "card/CardSession.h"

// Sets the session's length limits: the reader's from its TLV properties;
// the chip's from its ATR's card capabilities, or, when those say nothing
// and the reader has extended length, from EF.ATR/INFO read in plain
// (SELECT 2F01 in the master file, one READ BINARY). With a reader of short
// APDUs only nothing more is asked of the chip: no command could use it.
void LearnLengthLimits(TCardSession& session);
