#pragma once
// One random fault for a reading: what the chip or the link does wrong, at
// which command, and the log line the program must write first when the
// step meets it (where that line follows from the fault alone).
//
// Faults of the chip and the link go through the simulated chip's fault
// schedule; hostile answers with valid secure messaging (the counter and MAC
// right, the content wrong) go into a table of scripted answers by command.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ReadRig.h"
#include "ReadSteps.h"

using TScriptedFaults =
    std::map<std::size_t, std::function<hostile::TScriptedAnswer(const hostile::TExchange& exchange)>>;

struct THostileFault {
  std::string Name;
  std::size_t Command = 0;  // index into the reading's commands
  std::optional<std::string> FirstLine;
};

// Draws a fault among the commands of a clean reading (steps) from the
// command `from` on and plants it on the chip or in scripted.
THostileFault PlantHostileFault(std::mt19937& random, const std::vector<TStep>& steps,
                                const simchip::TDocument& document, simchip::TSimulatedChip& chip,
                                TScriptedFaults& scripted, std::size_t from = 0);

// The names of the kinds of fault drawn from.
std::vector<std::string> HostileFaultNames();

// The script that gives the scripted answers, counting commands by the rig's watch.
hostile::TAnswerScript ScriptOf(const TScriptedFaults& scripted, const TReadRig& rig);
