#pragma once
// The simulated chip of the tools folder (an independent card side with its
// own cryptography) behind the scripted fake card: the chip answers, the fake
// card records the commands and can tamper with single answers. Also the
// conversions between the program's session record and the chip's.

#include <algorithm>
#include <cstdint>
#include <map>

#include "crypto/MrtdContext.h"
#include "support/FakeCard.h"
#include "support/IcaoWorkedExample.h"
#include "tools/simchip/Lds.h"
#include "tools/simchip/SimulatedChip.h"

// The file of a data group by number, 0 for EF.COM.
inline std::uint16_t ChipFileId(std::uint8_t number) {
  return number == 0 ? simchip::kEfComFileId : simchip::DataGroupFileId(number);
}

// Files by data-group number (0 = EF.COM) as the chip's LDS.
inline simchip::TLds ChipFiles(const std::map<std::uint8_t, TBytes>& files) {
  simchip::TLds lds;
  for (const auto& [number, content] : files) lds[ChipFileId(number)] = content;
  return lds;
}

// What the chip asks before BAC. The default options refuse only the plain READ BINARY.
inline simchip::TChipOptions WithoutBac() {  // plain commands are answered
  simchip::TChipOptions options;
  options.RequireBac = false;
  return options;
}
inline simchip::TChipOptions BacAtSelect() {  // the plain SELECT of a file is refused with 6982 too
  simchip::TChipOptions options;
  options.RefusePlainSelect = true;
  return options;
}

// The worked example's document: its MRZ, and RND.ICC and K.ICC on every authentication.
inline simchip::TSimulatedChip WorkedExampleChip(simchip::TLds lds, simchip::TChipOptions options = {}) {
  simchip::TSimulatedChip chip(std::move(lds), icao::kMrzInformation, options);
  simchip::TBlock challenge{};
  std::ranges::copy(icao::kRndIcc, challenge.begin());
  simchip::TKey keyMaterial{};
  std::ranges::copy(icao::kKIcc, keyMaterial.begin());
  chip.FixChallenge(challenge);
  chip.FixKeyMaterial(keyMaterial);
  return chip;
}

inline simchip::TKeyPair ChipSessionKeys(const tMRTD_CTX& session) {
  simchip::TKeyPair keys;
  std::ranges::copy(session.encK, keys.Enc.begin());
  std::ranges::copy(session.macK, keys.Mac.begin());
  return keys;
}

// Opens secure messaging on the chip with the session's keys and counter, as after BAC.
inline void StartChipSession(simchip::TSimulatedChip& chip, const tMRTD_CTX& session) {
  chip.StartSession(ChipSessionKeys(session), session.SSC);
}

// A Responder for TFakeCardApi that passes each command to the chip.
inline TFakeCardApi::TResponder AnswerFrom(simchip::TSimulatedChip& chip) {
  return [&chip](const TBytes& command) {
    const simchip::TChipReply reply = chip.Transmit(command);
    if (reply.CardRemoved) return TAnswer{{}, kCardRemoved};
    return TAnswer{reply.Answer, static_cast<std::int32_t>(reply.PcscError)};
  };
}
