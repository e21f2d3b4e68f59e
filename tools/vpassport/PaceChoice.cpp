#include "tools/vpassport/PaceChoice.h"

#include <algorithm>
#include <stdexcept>

#include "tools/mappingchip/MappingPaceChip.h"
#include "tools/mappingchip/MappingProtocols.h"
#include "tools/simchip/ChipKeys.h"

namespace vpassport {

pacechip::TPaceChipOptions PaceWithDocument(const TVpassportOptions& options, const simchip::TDocument& document) {
  pacechip::TPaceChipOptions pace = options.Pace;
  if (pace.Offers.empty()) {
    for (const std::string& text : document.PaceOffers) {
      const std::optional<pacechip::TPaceOffer> offer = pacechip::ParsePaceOffer(text);
      if (!offer ||
          !(pacechip::KnownPaceProtocol(offer->Protocol) || mappingchip::FindMappingProtocol(offer->Protocol)))
        throw std::runtime_error("the document's PACE offer " + text + " is not PROTOCOL:ID of a known protocol");
      pace.Offers.push_back(*offer);
    }
  }
  if (pace.Can.empty()) pace.Can = document.Can;
  if (!pace.Can.empty()) pace.RefuseBac = true;
  return pace;
}

bool NeedsOwnPace(const pacechip::TPaceChipOptions& pace, const simchip::TDocument& document) {
  if (pace.Offers.empty()) return false;
  return !document.CardSecurity.empty() || std::ranges::any_of(pace.Offers, [](const pacechip::TPaceOffer& offer) {
    return mappingchip::NeedsOwnMapping(offer.Protocol);
  });
}

std::unique_ptr<simchip::TChipExtension> InstallPace(simchip::TSimulatedChip& chip, const TVpassportOptions& options,
                                                     const simchip::TDocument& document) {
  pacechip::TPaceChipOptions pace = PaceWithDocument(options, document);
  if (pace.Offers.empty()) return nullptr;
  if (!NeedsOwnPace(pace, document)) return std::make_unique<pacechip::TOpenPaceChip>(chip, std::move(pace));
  mappingchip::TMappingChipOptions own;
  own.Pace = std::move(pace);
  own.CardSecurity = document.CardSecurity;
  own.CloneCam = options.CloneCam;
  const auto key = document.PrivateKeys.find(std::string(mappingchip::kChipAuthenticationMappingKey));
  if (key != document.PrivateKeys.end())
    own.CamPrivateKey = mappingchip::EcPrivateScalar(*simchip::DecodePrivateKey(key->second));
  return std::make_unique<mappingchip::TMappingPaceChip>(chip, std::move(own));
}

}  // namespace vpassport
