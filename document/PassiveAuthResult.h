#pragma once
// The outcome of Passive Authentication: one log line per check, each with
// the colour it is shown in, and the verdict with its reason.

#include <map>
#include <set>
#include <string>
#include <vector>

enum class TPaLineKind {
  Failure,  // red
  Passed,   // green: the PASSED verdict only
  Info,     // navy
  Warning,  // amber: passed, but not vouched for
};

struct TPaLine {
  std::string Text;
  TPaLineKind Kind = TPaLineKind::Info;
};

enum class TPaVerdict { Passed, Failed, Incomplete };

struct TPaResult {
  std::vector<TPaLine> Lines;  // the last one is the verdict
  TPaVerdict Verdict = TPaVerdict::Incomplete;
  std::string Reason;  // empty for Passed
  // Each data group read whose hash was compared with EF.SOD: true when it
  // matched its listed value, false when it differed or was not listed.
  std::map<int, bool> HashMatches;
  std::set<int> NotListed;  // the data groups read that EF.SOD does not list
  // Each compared data group's hash line ("DG11 hash: MISMATCH", ...).
  std::map<int, std::string> HashLines;
  // Why EF.SOD cannot vouch for the hashes it lists (its signature, signer or
  // chain failed or could not be checked, or it was not read); empty when it can.
  std::string SodDoubt = "EF.SOD not checked";
  // The data groups EF.SOD lists (signed data: what the chip must hold);
  // empty when EF.SOD was not read or not understood.
  std::set<int> Listed;
};
