// The chip checks: PACE-CAM's check against EF.CardSecurity right after
// opening, Chip Authentication right after DG14 (before the other data
// groups, so that they come under the keys the chip has proved; not run when
// PACE-CAM passed), and Active Authentication after DG15. Their verdict lines are written with
// Passive Authentication's, once EF.SOD has vouched for DG14 and DG15 (see
// DocumentVerdict.h); a Chip Authentication that fails ends the reading at once.

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "activeauth/ActiveAuthentication.h"
#include "card/FileReading.h"
#include "chipauth/ChipAuthentication.h"
#include "crypto/ObjectIdentifier.h"
#include "document/DocumentDecoding.h"
#include "passiveauth/CardSecurity.h"
#include "reading/DocumentPresenter.h"
#include "reading/FileOutcome.h"
#include "reading/ReadSteps.h"

namespace {

constexpr std::string_view kInternalAuthenticateConnectionError = "MrtdInternalAuthenticate connection error.";
constexpr std::uint8_t kChipAuthenticationKeys = 14;
constexpr std::uint8_t kActiveAuthenticationKey = 15;

// How each check's own outcome is shown among the document's checks.
template <typename Outcome>
struct TCheckRow {
  Outcome Source;
  TChipCheckOutcome Check;
};

constexpr std::array kChipAuthChecks{
    TCheckRow<TChipAuthOutcome>{TChipAuthOutcome::Passed, TChipCheckOutcome::Passed},
    TCheckRow<TChipAuthOutcome>{TChipAuthOutcome::Failed, TChipCheckOutcome::Failed},
    // A key or protocol the program cannot use: offered, but not possible here.
    TCheckRow<TChipAuthOutcome>{TChipAuthOutcome::NotRun, TChipCheckOutcome::NotPossible},
};

constexpr std::array kActiveAuthChecks{
    TCheckRow<TAaVerdict>{TAaVerdict::Passed, TChipCheckOutcome::Passed},
    TCheckRow<TAaVerdict>{TAaVerdict::Failed, TChipCheckOutcome::Failed},
    TCheckRow<TAaVerdict>{TAaVerdict::NotPossible, TChipCheckOutcome::NotPossible},
    TCheckRow<TAaVerdict>{TAaVerdict::NotSupported, TChipCheckOutcome::NotSupported},
};

template <typename Outcome, std::size_t N>
TChipCheckOutcome CheckOf(const std::array<TCheckRow<Outcome>, N>& table, Outcome source) {
  return std::ranges::find_if(table, [source](const TCheckRow<Outcome>& row) { return row.Source == source; })->Check;
}

std::string NotReadWhole(std::uint8_t number) { return "DG" + std::to_string(number) + " not read whole"; }

// Whether the card left during the check: its last exchange found no card.
bool CardLeft(const TCardSession& card) { return card.LastAnswer().Error == TCardError::LinkLost; }

// Reads the key's data group into the reading's own key stream; the bytes of
// a whole read, or why it was not one.
const TFileRead& ReadKeyDataGroup(TReading& reading, std::uint8_t number) {
  const TDataGroupRead read = ReadDataGroup(number, reading.KeyStream, reading.Card);
  return reading.Document.DataGroups[number] = FileReadOf(read, reading.KeyStream, reading.Card);
}

// Chip Authentication with DG14's options, each in turn until one can be run
// here (one the program cannot use sends nothing); none: not possible, with why.
TChipCheck RunChipAuthentication(TReading& reading) {
  const TDocument& document = reading.Document;
  if (!document.Dg14) return {TChipCheckOutcome::NotPossible, "DG14 cannot be decoded"};
  std::string notPossible;
  TChipAuthResult result;
  result.Outcome = TChipAuthOutcome::NotRun;
  for (const TChipAuthenticationOption& option : ChipAuthenticationOptions(*document.Dg14)) {
    if (option.Key) result = PerformChipAuthentication(*option.Key, reading.Card);
    if (option.Key && result.Outcome != TChipAuthOutcome::NotRun) break;
    const std::string& why = option.Key ? result.Reason : option.Problem;
    notPossible += (notPossible.empty() ? "" : "; ") + why;
  }
  if (result.Outcome == TChipAuthOutcome::NotRun)
    return {TChipCheckOutcome::NotPossible,
            notPossible.empty() ? std::string("DG14 holds no Chip Authentication key") : notPossible};
  TChipCheck check{CheckOf(kChipAuthChecks, result.Outcome), result.Reason};
  // A card taken away proves nothing either way: the reading goes on and its
  // later steps fail as after any pull.
  if (check.Outcome == TChipCheckOutcome::Failed && CardLeft(reading.Card))
    check = {TChipCheckOutcome::NotPossible, "the card left during Chip Authentication"};
  return check;
}

// PACE-CAM's check once EF.CardSecurity has come whole and been verified:
// the key whose keyId is the PACEInfo's parameterId, proved by CA_IC.
TChipCheck CheckCamAgainst(const TCardSecurityCheck& cardSecurity, const TCamEvidence& cam) {
  if (cardSecurity.Verdict == TPaVerdict::Failed)
    return {TChipCheckOutcome::Failed, "EF.CardSecurity: " + cardSecurity.Reason};
  if (!cardSecurity.Infos) return {TChipCheckOutcome::Failed, "EF.CardSecurity holds no SecurityInfos"};
  const TChipAuthenticationPublicKeyInfo* key = PublicKeyWithId(*cardSecurity.Infos, cam.ParameterId);
  if (!key)
    return {TChipCheckOutcome::Failed,
            "EF.CardSecurity holds no single key with keyId " + std::to_string(cam.ParameterId)};
  const TCamCheck checked = CheckChipAuthenticationMapping(cam, key->PublicKeyInfo);
  if (!checked.Passed) return {TChipCheckOutcome::Failed, checked.Reason};
  return {TChipCheckOutcome::Passed, {}};
}

// Why EF.CardSecurity did not come whole, for a check that cannot be made without it.
std::string CardSecurityMissing(TFileState state) {
  return state == TFileState::Absent ? "no EF.CardSecurity" : "EF.CardSecurity not read whole";
}

}  // namespace

TStepEnd CheckPaceCam(TReading& reading) {
  if (!reading.Cam) return TStepEnd::Next;
  TDocument& document = reading.Document;
  document.ChipAuthenticationByCam = true;
  if (document.CardSecurity.State != TFileState::Read) {
    document.ChipAuthentication = {TChipCheckOutcome::NotPossible, CardSecurityMissing(document.CardSecurity.State)};
    return TStepEnd::Next;
  }
  document.CardSecurityCheck = VerifyCardSecurity(document.CardSecurity.Bytes, reading.Kept.Trust, document.ReadAt);
  ShowCardSecurity(*document.CardSecurityCheck, reading.View);
  document.ChipAuthentication = CheckCamAgainst(*document.CardSecurityCheck, *reading.Cam);
  if (document.ChipAuthentication.Outcome != TChipCheckOutcome::Failed) return TStepEnd::Next;
  ShowFailedChipAuthentication(document.ChipAuthentication, reading.View);
  return TStepEnd::EndReading;
}

TStepEnd ReadDg14AndChipAuthentication(TReading& reading) {
  TDocument& document = reading.Document;
  if (!reading.Lists(kChipAuthenticationKeys)) return TStepEnd::Next;
  if (ReadKeyDataGroup(reading, kChipAuthenticationKeys).State != TFileState::Read) {
    document.ChipAuthentication = {TChipCheckOutcome::NotPossible, NotReadWhole(kChipAuthenticationKeys)};
    return TStepEnd::Next;
  }
  DecodeDg14Into(document);
  // The chip proved its key through PACE-CAM already: DG14 is read for what
  // it signs (its PACEInfos, Active Authentication's hash), not run again.
  if (document.ChipAuthenticationByCam && document.ChipAuthentication.Outcome == TChipCheckOutcome::Passed)
    return TStepEnd::Next;
  document.ChipAuthentication = RunChipAuthentication(reading);
  if (document.ChipAuthentication.Outcome != TChipCheckOutcome::Failed) return TStepEnd::Next;
  ShowFailedChipAuthentication(document.ChipAuthentication, reading.View);
  return TStepEnd::EndReading;
}

TStepEnd ReadDg15AndActiveAuthentication(TReading& reading) {
  TDocument& document = reading.Document;
  if (!reading.Lists(kActiveAuthenticationKey)) return TStepEnd::Next;
  const TFileRead& dg15 = ReadKeyDataGroup(reading, kActiveAuthenticationKey);
  if (dg15.State != TFileState::Read) {
    document.ActiveAuthentication = {TChipCheckOutcome::NotPossible, NotReadWhole(kActiveAuthenticationKey)};
    return TStepEnd::Next;
  }
  const std::optional<TDG14>& dg14 = document.Dg14;
  const std::string algorithm =
      dg14 && dg14->ActiveAuthentication ? DottedOid(dg14->ActiveAuthentication->SignatureAlgorithm) : std::string();
  // Active Authentication decodes DG15's key from the bytes as read.
  const TAaResult result = PerformActiveAuthentication(dg15.Bytes, reading.Card, algorithm);
  TChipCheck check{CheckOf(kActiveAuthChecks, result.Verdict), result.Reason};
  // A card taken away proves nothing either way: the step's connection error,
  // and the later steps fail as after any pull.
  if (check.Outcome == TChipCheckOutcome::Failed && CardLeft(reading.Card)) {
    reading.View.LogMessage(std::string(kInternalAuthenticateConnectionError), lkProtocol);
    check = {TChipCheckOutcome::NotPossible, "the card left during Active Authentication"};
  }
  document.ActiveAuthentication = std::move(check);
  return TStepEnd::Next;
}
