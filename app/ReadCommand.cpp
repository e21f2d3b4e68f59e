#include "app/ReadCommand.h"

#include <openssl/crypto.h>

#include "access/FileReading.h"
#include "access/MemoryStream.h"
#include "access/MrzInformation.h"
#include "lds/Stages.h"
#include "reader/ACSModule.h"
#include "reader/ApduExchange.h"

void RunReadCommand(const TReadInputs& inputs, const TReadState& state) {
  const std::int32_t connected = ReaderLink().ConnectCard();
  if (connected != kScardSuccess) {
    LogMessage(SCardErrorText(static_cast<std::uint32_t>(connected)), lkConnectionError);
    return;
  }

  const std::string mrzInformation =
      BuildMrzInformation(inputs.DocumentNumber, inputs.DateOfBirth, inputs.DateOfExpiry);

  TEFComBuffer efCom{};
  const std::unique_ptr<TSecureChannel> channel = OpenDocument(mrzInformation, efCom, state.Session);
  const tEFComFile listed = RunEFComStage(efCom);

  // One stream carries each data group in turn; it goes with the command,
  // also when a stage raises.
  TMemoryStream stream;
  RunDG1Stage(stream, *channel);
  RunDG11Stage(stream, *channel, inputs.DateOfBirth);
  if (ListsDataGroup(listed, 12)) RunDG12Stage(stream, *channel);
  RunPictureStage(stream, *channel, inputs.PictureWanted, state.Picture, state.ShownFace);
}

void WipeSession(tMRTD_CTX& ctx) {
  OPENSSL_cleanse(&ctx, sizeof ctx);
  ctx = tMRTD_CTX{};
}
