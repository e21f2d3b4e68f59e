#include "tools/vpassport/VpcdServer.h"

#include "tools/vpassport/VpcdProtocol.h"

namespace vpassport {

EServeEnd ServeChip(TVpcdConnection& connection, simchip::TSimulatedChip& chip) {
  simchip::TBytes message;
  for (;;) {
    switch (connection.Receive(message)) {
      case TVpcdConnection::EReceived::Closed:
        return EServeEnd::DriverClosed;
      case TVpcdConnection::EReceived::Stopped:
        return EServeEnd::Stopped;
      case TVpcdConnection::EReceived::Message:
        break;
    }
    if (const auto answer = AnswerVpcdMessage(chip, message)) connection.Send(*answer);
  }
}

}  // namespace vpassport
