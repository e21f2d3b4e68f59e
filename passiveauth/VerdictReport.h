#pragma once
// Collects the check lines of Passive Authentication and decides the
// verdict: FAILED when any check contradicts the document, INCOMPLETE when
// none does but something needed is missing, PASSED otherwise.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "document/PassiveAuthResult.h"

class TVerdictReport {
public:
  void Info(std::string line);
  void Failure(std::string line, std::string reason);
  void Missing(std::string line, std::string reason);
  // Whether data group number matched its hash in EF.SOD.
  void HashCompared(int number, bool matched) { HashMatches_[number] = matched; }
  // Data group number was read but EF.SOD holds no hash for it.
  void HashNotListed(int number) { NotListed_.insert(number); }
  // The line that tells how data group number's hash compared.
  void HashLine(int number, std::string line) { HashLines_[number] = std::move(line); }
  // The data groups EF.SOD lists.
  void Listed(std::set<int> numbers) { Listed_ = std::move(numbers); }
  // EF.SOD's own checks (signature, signer, chain) are done: what failed or
  // is missing so far is why EF.SOD cannot vouch for its hashes.
  void SodChecksDone();
  TPaResult Finish();

private:
  std::map<int, bool> HashMatches_;
  std::set<int> NotListed_;
  std::map<int, std::string> HashLines_;
  std::set<int> Listed_;
  std::vector<TPaLine> Lines_;
  std::vector<std::string> Failures_;
  std::vector<std::string> Missing_;
  std::optional<std::string> sodDoubt_;
};
