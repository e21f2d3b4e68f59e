#include "reading/ChipCheckStages.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "activeauth/ActiveAuthentication.h"
#include "chipauth/ChipAuthentication.h"
#include "crypto/ObjectIdentifier.h"
#include "output/PiccView.h"
#include "reader/StatusWord.h"

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

// A chip that cannot prove its key is read no further, and nothing of an
// earlier document may stand beside its verdict.
void ShowFailedChipAuthentication(const TChipCheck& check) {
  const std::string line = "Chip authentication: FAILED (" + check.Reason + ")";
  LogMessage(line, lkConnectionError);
  PiccView().BeginDocument({}, {});
  PiccView().ShowVerdict(TVerdictShown::NotGenuine, line);
}

std::string NotReadWhole(std::uint8_t number) { return "DG" + std::to_string(number) + " not read whole"; }

// Whether the card left during the check: its last exchange found no card.
bool CardLeft(const TCardSession& session) { return session.LastAnswer().Error == TCardError::LinkLost; }

}  // namespace

TChipAuthenticationStage RunChipAuthenticationStage(bool listed, TMemoryStream& stream, TCardSession& session) {
  TChipAuthenticationStage stage;
  if (!listed) return stage;
  stage.Dg14Read = ReadDataGroup(kChipAuthenticationKeys, stream, session);
  stage.Dg14Absent = stage.Dg14Read == TDataGroupRead::NotRead && ChipSaidFileNotFound(session);
  if (stage.Dg14Read != TDataGroupRead::Whole) {
    stage.Check = {TChipCheckOutcome::NotPossible, NotReadWhole(kChipAuthenticationKeys)};
    return stage;
  }
  stage.Dg14 = ParseDG14(FileAtStart(stream));
  if (!stage.Dg14) {
    stage.Check = {TChipCheckOutcome::NotPossible, "DG14 cannot be decoded"};
    return stage;
  }
  // Each option in turn: one the program cannot run here sends nothing.
  std::string notPossible;
  TChipAuthResult result;
  result.Outcome = TChipAuthOutcome::NotRun;
  for (const TChipAuthenticationOption& option : ChipAuthenticationOptions(*stage.Dg14)) {
    if (option.Key) result = PerformChipAuthentication(*option.Key, session);
    if (option.Key && result.Outcome != TChipAuthOutcome::NotRun) break;
    const std::string& why = option.Key ? result.Reason : option.Problem;
    notPossible += (notPossible.empty() ? "" : "; ") + why;
  }
  if (result.Outcome == TChipAuthOutcome::NotRun) {
    stage.Check = {TChipCheckOutcome::NotPossible,
                   notPossible.empty() ? std::string("DG14 holds no Chip Authentication key") : notPossible};
    return stage;
  }
  stage.Check = {CheckOf(kChipAuthChecks, result.Outcome), result.Reason};
  // A card taken away proves nothing either way: the reading goes on and its
  // later steps fail as after any pull.
  if (stage.Check.Outcome == TChipCheckOutcome::Failed && CardLeft(session))
    stage.Check = {TChipCheckOutcome::NotPossible, "the card left during Chip Authentication"};
  if (stage.Check.Outcome == TChipCheckOutcome::Failed) ShowFailedChipAuthentication(stage.Check);
  return stage;
}

TActiveAuthenticationStage RunActiveAuthenticationStage(bool listed, TMemoryStream& stream, TCardSession& session,
                                                        const std::optional<TDG14>& dg14) {
  TActiveAuthenticationStage stage;
  if (!listed) return stage;
  stage.Dg15Read = ReadDataGroup(kActiveAuthenticationKey, stream, session);
  stage.Dg15Absent = stage.Dg15Read == TDataGroupRead::NotRead && ChipSaidFileNotFound(session);
  if (stage.Dg15Read != TDataGroupRead::Whole) {
    stage.Check = {TChipCheckOutcome::NotPossible, NotReadWhole(kActiveAuthenticationKey)};
    return stage;
  }
  const std::string algorithm =
      dg14 && dg14->ActiveAuthentication ? DottedOid(dg14->ActiveAuthentication->SignatureAlgorithm) : std::string();
  const TAaResult result = PerformActiveAuthentication(FileAtStart(stream), session, algorithm);
  stage.Check = {CheckOf(kActiveAuthChecks, result.Verdict), result.Reason};
  // A card taken away proves nothing either way: the step's connection error,
  // and the later steps fail as after any pull.
  if (stage.Check.Outcome == TChipCheckOutcome::Failed && CardLeft(session)) {
    LogMessage(std::string(kInternalAuthenticateConnectionError));
    stage.Check = {TChipCheckOutcome::NotPossible, "the card left during Active Authentication"};
  }
  return stage;
}

TChipCheck AbsentKeyFile(const TChipCheck& check, bool absent, bool listedInSod, int number) {
  if (!absent || !listedInSod) return check;
  return {TChipCheckOutcome::Failed, "DG" + std::to_string(number) + " listed in EF.SOD but absent on the chip"};
}

bool ChipSaidFileNotFound(const TCardSession& session) {
  const TCardAnswer& last = session.LastAnswer();
  return last.Error != TCardError::LinkLost && last.Status() == kSwFileNotFound;
}
