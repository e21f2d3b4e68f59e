#include "app/ReportChecks.h"

#include <algorithm>
#include <array>

namespace {

const QString kSeparator = QStringLiteral(": ");

// A line's colour says most: red failed, green passed, amber passed but
// proves less. Navy lines say it in their result's first words.
struct TKindOutcome {
  int Kind;
  QString Outcome;
};
const std::array<TKindOutcome, 3> kKindOutcomes{{
    {lkConnectionError, QStringLiteral("failed")},
    {lkPassed, QStringLiteral("passed")},
    {lkWarning, QStringLiteral("warning")},
}};

struct TResultOutcome {
  QString Start;
  QString Outcome;
};
// First match wins: "not supported" before "not ".
const std::array<TResultOutcome, 15> kResultOutcomes{{
    {QStringLiteral("PASSED"), QStringLiteral("passed")},
    {QStringLiteral("established"), QStringLiteral("passed")},
    {QStringLiteral("match"), QStringLiteral("passed")},
    {QStringLiteral("valid"), QStringLiteral("passed")},
    {QStringLiteral("trusted"), QStringLiteral("passed")},
    {QStringLiteral("FAILED"), QStringLiteral("failed")},
    {QStringLiteral("failed"), QStringLiteral("failed")},
    {QStringLiteral("MISMATCH"), QStringLiteral("failed")},
    {QStringLiteral("INVALID"), QStringLiteral("failed")},
    {QStringLiteral("INCOMPLETE"), QStringLiteral("incomplete")},
    {QStringLiteral("not supported"), QStringLiteral("not supported")},
    {QStringLiteral("not possible"), QStringLiteral("not possible")},
    {QStringLiteral("not checked"), QStringLiteral("not checked")},
    {QStringLiteral("not "), QStringLiteral("missing")},
    {QStringLiteral("cut off"), QStringLiteral("missing")},
}};

QString OutcomeOf(int kind, const QString& result) {
  const auto byKind = std::ranges::find_if(kKindOutcomes, [kind](const TKindOutcome& k) { return k.Kind == kind; });
  if (byKind != kKindOutcomes.end()) return byKind->Outcome;
  const auto byResult =
      std::ranges::find_if(kResultOutcomes, [&result](const TResultOutcome& r) { return result.startsWith(r.Start); });
  return byResult == kResultOutcomes.end() ? QStringLiteral("info") : byResult->Outcome;
}

// The text between the bracket that closes the result and the one that opens it.
QString ReasonOf(const QString& result) {
  if (!result.endsWith(u')')) return {};
  int depth = 0;
  for (qsizetype i = result.size() - 1; i >= 0; --i) {
    if (result[i] == u')') ++depth;
    if (result[i] == u'(' && --depth == 0) return result.mid(i + 1, result.size() - i - 2);
  }
  return {};
}

const std::array kAccessNames{QStringLiteral("PACE"), QStringLiteral("BAC")};
const std::array kPassiveNames{QStringLiteral("Passive authentication")};
const std::array kChipNames{QStringLiteral("Chip authentication")};
const std::array kActiveNames{QStringLiteral("Active authentication")};

}  // namespace

TCheckFacts CheckFacts(const TReportCheck& check) {
  const qsizetype separator = check.Text.indexOf(kSeparator);
  TCheckFacts facts;
  facts.Check = separator < 0 ? check.Text : check.Text.left(separator);
  facts.Result = separator < 0 ? QString() : check.Text.mid(separator + kSeparator.size());
  facts.Outcome = OutcomeOf(check.Kind, facts.Result);
  facts.Reason = ReasonOf(facts.Result);
  return facts;
}

std::span<const TProtocolCheck> ProtocolChecks() {
  static const std::array<TProtocolCheck, 4> kProtocols{{
      {"accessControl", kAccessNames, true},
      {"passiveAuthentication", kPassiveNames, false},
      {"chipAuthentication", kChipNames, false},
      {"activeAuthentication", kActiveNames, false},
  }};
  return kProtocols;
}
