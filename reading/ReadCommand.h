#pragma once
// The read command: one whole reading of a travel document, step by step
// (ReadSequence.h).

#include "crypto/MrtdContext.h"
#include "document/ReadInputs.h"
#include "reading/Reading.h"

// Runs the read sequence over a new document. A step that fails logs and the
// command goes on; an exception (a stream read past its end, an undecodable
// picture) ends the command and reaches the caller.
void RunReadCommand(const TReadInputs& inputs, const TReadState& state);

// Overwrites every byte of the session's key material.
void WipeSession(tMRTD_CTX& ctx);
