#pragma once
// The read command: one whole reading of a travel document, stage by stage.

#include <string>

#include "crypto/MrtdContext.h"
#include "document/ReadInputs.h"
#include "output/PiccView.h"

class TJpeg2000Bitmap;
class TShownFace;
class TTrustStore;

// What the window keeps from one reading to the next.
struct TReadState {
  tMRTD_CTX& Session;
  TJpeg2000Bitmap& Picture;
  TShownFace& ShownFace;
  const TTrustStore& Trust;  // the CSCAs that Passive Authentication trusts
};

// Runs the stages in order. A stage that fails logs and the command goes on;
// an exception (a stream read past its end, an undecodable picture) ends the
// command and reaches the caller.
void RunReadCommand(const TReadInputs& inputs, const TReadState& state);

// Overwrites every byte of the session's key material.
void WipeSession(tMRTD_CTX& ctx);
