#include "app/ReportJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

#include "app/ReportChecks.h"
#include "app/ReportFields.h"
#include "app/VerdictLook.h"

namespace {

struct TVerdictName {
  TVerdictShown Verdict;
  const char* Name;
};
constexpr std::array<TVerdictName, 4> kVerdictNames{{
    {TVerdictShown::None, "none"},
    {TVerdictShown::Genuine, "genuine"},
    {TVerdictShown::NotGenuine, "notGenuine"},
    {TVerdictShown::Incomplete, "incomplete"},
}};

QString VerdictName(TVerdictShown verdict) {
  return QString::fromLatin1(
      std::ranges::find_if(kVerdictNames, [verdict](const TVerdictName& v) { return v.Verdict == verdict; })->Name);
}

QJsonObject Fields(const TReadingReport& report) {
  QJsonObject fields;
  for (const TReportField& field : ReportFields())
    fields.insert(QString::fromLatin1(field.Key), report.Field(field.Edit));
  return fields;
}

// The boxes (by key) and the face that EF.SOD contradicts or cannot vouch for, with why.
QJsonObject NotVouched(const TReadingReport& report) {
  QJsonObject marks;
  for (const TReportField& field : ReportFields())
    if (const auto mark = report.Marks.find(field.Edit); mark != report.Marks.end())
      marks.insert(QString::fromLatin1(field.Key), mark->second.Why);
  if (report.FaceMark.Trust != TFieldTrust::Signed) marks.insert(QStringLiteral("face"), report.FaceMark.Why);
  return marks;
}

QJsonArray Checks(const std::vector<TReportCheck>& checks) {
  QJsonArray array;
  for (const TReportCheck& check : checks) {
    const TCheckFacts facts = CheckFacts(check);
    array.append(QJsonObject{{"check", facts.Check},
                             {"result", facts.Result},
                             {"outcome", facts.Outcome},
                             {"reason", facts.Reason},
                             {"line", check.Text}});
  }
  return array;
}

// Each protocol's outcome from the last check line that names it; "not run" without one.
QJsonObject Protocols(const std::vector<TReportCheck>& checks) {
  QJsonObject protocols;
  for (const TProtocolCheck& protocol : ProtocolChecks()) {
    QJsonObject entry{{"outcome", "not run"}, {"reason", ""}};
    if (protocol.OneOfSeveral) entry.insert("protocol", "none");
    for (const TReportCheck& check : checks) {
      const TCheckFacts facts = CheckFacts(check);
      if (std::ranges::find(protocol.CheckNames, facts.Check) == protocol.CheckNames.end()) continue;
      entry.insert("outcome", facts.Outcome);
      entry.insert("reason", facts.Reason);
      if (protocol.OneOfSeveral) entry.insert("protocol", facts.Check);
    }
    protocols.insert(QString::fromLatin1(protocol.Key), entry);
  }
  return protocols;
}

}  // namespace

QByteArray ReportJson(const TReadingReport& report) {
  const std::vector<TReportCheck> checks = report.Checks();
  const QJsonObject root{
      {"program", QStringLiteral("Zelvan " ZELVAN_VERSION)},
      {"time", report.Time.toOffsetFromUtc(report.Time.offsetFromUtc()).toString(Qt::ISODate)},
      {"reader", report.Reader},
      {"complete", !report.StoppedEarly()},
      {"verdict", VerdictName(report.Verdict)},
      {"verdictWord", VerdictWord(report.Verdict)},
      {"fields", Fields(report)},
      {"faceRead", !report.Face.isNull()},
      {"notVouched", NotVouched(report)},
      {"protocols", Protocols(checks)},
      {"checks", Checks(checks)},
  };
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
