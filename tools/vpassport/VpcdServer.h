#pragma once
// Serves a simulated chip over a vpcd connection until the driver closes the
// connection or a stop is requested.

#include "tools/simchip/SimulatedChip.h"
#include "tools/vpassport/VpcdConnection.h"

namespace vpassport {

enum class EServeEnd { DriverClosed, Stopped };

EServeEnd ServeChip(TVpcdConnection& connection, simchip::TSimulatedChip& chip);

}  // namespace vpassport
