#pragma once
// The card side of BAC and secure messaging, small enough for tests: it
// answers GET CHALLENGE and EXTERNAL AUTHENTICATE for one MRZ, then checks
// the MAC of every protected command and wraps its answers. Files are served
// plain or protected, whole or in pieces. Plug it into a TFakeCardApi as the
// Responder.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "support/FakeCard.h"
#include "IcaoWorkedExample.h"
#include "access/MrtdContext.h"

enum class TBacDemand {
  None,      // plain commands are answered
  AtSelect,  // the plain SELECT of a file is refused with 0x6982
  AtRead,    // plain SELECT is answered, plain READ BINARY refused with 0x6982
};

class TTestChip {
public:
  std::map<std::uint8_t, TBytes> Files;  // by data-group number, 0 = EF.COM
  TBacDemand Demand = TBacDemand::AtSelect;
  std::string Mrz = icao::kMrzInformation;
  TBytes RndIcc = icao::kRndIcc;
  TBytes KIcc = icao::kKIcc;
  // Refusals of protected commands come as 99 02 SW 8E 08 MAC SW (else as a bare SW).
  bool ProtectedRefusals = false;

  TAnswer Answer(const TBytes& command);

  bool Authenticated() const { return authenticated_; }
  const tMRTD_CTX& Session() const { return session_; }
  // Starts secure messaging with known session keys and counter, without BAC.
  void StartSession(const tMRTD_CTX& session);

  // 87 L 01 cryptogram 99 02 SW 8E 08 MAC SW under the session (advances the counter).
  TBytes WrapData(std::span<const std::uint8_t> data, std::uint16_t status = 0x9000);
  // 99 02 SW 8E 08 MAC SW under the session (advances the counter).
  TBytes WrapStatus(std::uint16_t status);

private:
  TAnswer ExternalAuthenticate(const TBytes& command);
  TAnswer Plain(const TBytes& command);
  TAnswer Protected(const TBytes& command);
  TAnswer Refuse(std::uint16_t status);
  TBytes ReadSelected(std::uint16_t offset, std::size_t length) const;

  tMRTD_CTX session_{};
  bool authenticated_ = false;
  bool challenged_ = false;
  std::optional<std::uint8_t> selected_;
};

TBytes StatusBytes(std::uint16_t status);
