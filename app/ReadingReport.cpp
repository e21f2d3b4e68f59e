#include "app/ReadingReport.h"

#include <QStringList>

#include <utility>

namespace {

// PACE's own log lines tell its outcome.
const QString kPaceLinePrefix = QStringLiteral("PACE: ");

}  // namespace

std::vector<TReportCheck> TReadingReport::Checks() const {
  std::vector<TReportCheck> checks = AccessChecks;
  checks.insert(checks.end(), VerdictChecks.begin(), VerdictChecks.end());
  return checks;
}

QString TReadingReport::Field(TResultEdit edit) const {
  const auto found = Fields.find(edit);
  return found == Fields.end() ? QString() : found->second;
}

void TReportRecorder::Arm(const QDateTime& time, const QString& reader, const QString& typedDocumentNumber) {
  armed_.emplace();
  armed_->Time = time;
  armed_->Reader = reader;
  armed_->TypedDocumentNumber = typedDocumentNumber;
  recording_ = false;
  started_ = false;
}

bool TReportRecorder::Disarm() {
  armed_.reset();
  recording_ = false;
  loggedKinds_.clear();
  return std::exchange(started_, false);
}

void TReportRecorder::DocumentBegins() {
  if (!armed_) return;
  report_ = std::move(*armed_);
  armed_.reset();
  recording_ = true;
  started_ = true;
}

void TReportRecorder::DocumentCleared() {
  if (!recording_) return;
  report_->Fields.clear();
  report_->Face = QImage();
  report_->Marks.clear();
  report_->FaceMark = {};
  report_->Verdict = TVerdictShown::None;
  report_->VerdictChecks.clear();
}

void TReportRecorder::Logged(const QString& text, int kind) {
  if (!recording_) return;
  loggedKinds_[text] = kind;
  if (text.startsWith(kPaceLinePrefix)) report_->AccessChecks.push_back({text, kind});
}

void TReportRecorder::FieldShown(TResultEdit edit, const QString& text) {
  if (!recording_) return;
  if (text.isEmpty())
    report_->Fields.erase(edit);
  else
    report_->Fields[edit] = text;
}

void TReportRecorder::PictureShown(const QImage& picture) {
  if (recording_) report_->Face = picture;
}

void TReportRecorder::FieldMarked(TResultEdit edit, TFieldTrust trust, const QString& why) {
  if (!recording_) return;
  if (trust == TFieldTrust::Signed)
    report_->Marks.erase(edit);
  else
    report_->Marks[edit] = {trust, why};
}

void TReportRecorder::PictureMarked(TFieldTrust trust, const QString& why) {
  if (recording_) report_->FaceMark = {trust, why};
}

void TReportRecorder::VerdictShown(TVerdictShown verdict, const std::string& details) {
  if (!recording_) return;
  report_->Verdict = verdict;
  report_->VerdictChecks.clear();
  if (details.empty()) return;
  // Each line with the colour the log gave it.
  for (const QString& line : QString::fromStdString(details).split(u'\n')) {
    const auto logged = loggedKinds_.find(line);
    report_->VerdictChecks.push_back({line, logged == loggedKinds_.end() ? int{lkProtocol} : logged->second});
  }
}

void TReportRecorder::BacOutcome(bool established, const std::string& reason) {
  if (!recording_) return;
  if (established)
    report_->AccessChecks.push_back({QStringLiteral("BAC: established"), lkProtocol});
  else
    report_->AccessChecks.push_back({"BAC: failed (" + QString::fromStdString(reason) + ")", lkProtocol});
}
