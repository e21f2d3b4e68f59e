#include <string>

#include "document/CodePage.h"
#include "document/EFCom.h"
#include "output/PiccView.h"
#include "reading/Stages.h"

tEFComFile RunEFComStage(const TEFComBuffer& efCom) {
  tEFComFile decoded;
  DecodeEFCom(efCom, decoded);
  // The labels leave room for the whole field in each line's capacity (20, 24, 113).
  LogMessage(AnsiToUtf8("LDS Ver.: " + decoded.LDSVersion.Str()), lkProtocol);
  LogMessage(AnsiToUtf8("Unicode Ver.: " + decoded.UnicodeVersion.Str()), lkProtocol);
  LogMessage(AnsiToUtf8("DataGroups : " + decoded.DataGroups.Str()), lkProtocol);
  return decoded;
}
