#include "reading/ReadSequence.h"

#include <array>

namespace {

// Each step decides for itself whether it applies (a data group EF.COM does
// not list, a picture not wanted); Chip Authentication that fails and a card
// that cannot be reached end the reading; a stream or picture error raised by
// a step ends it too and reaches the caller.
constexpr std::array kSteps{
    TReadStep{"connect the card", ConnectCard},
    TReadStep{"open with PACE or BAC, read EF.COM", OpenWithPaceOrBac},
    TReadStep{"PACE-CAM: EF.CardSecurity and Chip Authentication", CheckPaceCam},
    TReadStep{"no EF.COM: EF.SOD first, for its list", ReadSodForItsList},
    TReadStep{"EF.COM: data groups listed", ListEfCom},
    TReadStep{"DG14 and Chip Authentication", ReadDg14AndChipAuthentication},
    TReadStep{"DG1: MRZ", ReadDg1},
    TReadStep{"DG11: personal details", ReadDg11},
    TReadStep{"DG12: document details", ReadDg12},
    TReadStep{"DG2: face", ReadDg2},
    TReadStep{"DG15 and Active Authentication", ReadDg15AndActiveAuthentication},
    TReadStep{"EF.SOD", ReadSod},
    TReadStep{"data groups only EF.SOD lists", ReadWhatOnlyEfSodLists},
    TReadStep{"Passive Authentication", CheckPassiveAuthentication},
    TReadStep{"verdict", GiveVerdict},
};

}  // namespace

std::span<const TReadStep> ReadSequence() { return kSteps; }

void RunReadSequence(TReading& reading) {
  for (const TReadStep& step : kSteps)
    if (step.Run(reading) == TStepEnd::EndReading) return;
}
