#include "bench/read/RecordedExchanges.h"

#include <utility>

TScriptedCard RecorderOf(TPcscApi& inner) {
  TScriptedCard recorder;
  recorder.Behind = &inner;
  recorder.RestartAtConnect = true;
  return recorder;
}

TScriptedCard ReplayOf(std::vector<TAnswer> recording) {
  TScriptedCard replay;
  replay.Readers = {"Zelvan Replay ACR122 00 00"};
  replay.Script = std::move(recording);
  replay.RestartAtConnect = true;
  replay.Unscripted = {{}, kCardRemoved};  // as if the card had gone
  replay.Recording = false;
  return replay;
}
