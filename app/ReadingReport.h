#pragma once
// The facts of one reading, for its report: when and on which reader it ran,
// the boxes and the face as they stood on screen when it ended, the check
// lines of its log (access control, then the verdict's lines) and the verdict.
// TReportRecorder collects them from what the window is shown during the
// reading, so a report holds nothing of an earlier reading.

#include <QDateTime>
#include <QImage>
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "output/PiccView.h"

// A check line as the log showed it (BAC's success, which has no log line,
// as it would read).
struct TReportCheck {
  QString Text;
  int Kind = lkProtocol;
  bool operator==(const TReportCheck&) const = default;
};

// How far EF.SOD vouches for a box or the face, and why not (as its tooltip says).
struct TReportMark {
  TFieldTrust Trust = TFieldTrust::Signed;
  QString Why;
};

struct TReadingReport {
  QDateTime Time;                            // when the reading started
  QString Reader;                            // the reader's name
  QString TypedDocumentNumber;               // as the operator typed it
  std::map<TResultEdit, QString> Fields;     // every box that was filled
  QImage Face;                               // null when no face was read
  std::map<TResultEdit, TReportMark> Marks;  // boxes EF.SOD contradicts or cannot vouch for
  TReportMark FaceMark;
  std::vector<TReportCheck> AccessChecks;   // PACE and BAC, in order
  std::vector<TReportCheck> VerdictChecks;  // the lines behind the verdict
  TVerdictShown Verdict = TVerdictShown::None;

  // A reading that stopped before its verdict (the card taken away, a read error).
  bool StoppedEarly() const { return Verdict == TVerdictShown::None; }
  std::vector<TReportCheck> Checks() const;
  QString Field(TResultEdit edit) const;
};

// Follows one reading through the window's view. Between readings it takes
// nothing in; a reading asked for (Arm) starts its report once the card
// answers (the view's first BeginDocument), and until then the last report
// stays.
class TReportRecorder {
public:
  void Arm(const QDateTime& time, const QString& reader, const QString& typedDocumentNumber);
  // The reading is over: true when it made a new report.
  bool Disarm();
  bool Reading() const { return armed_.has_value() || recording_; }
  const std::optional<TReadingReport>& Report() const { return report_; }

  // What the window is shown.
  void DocumentBegins();
  void DocumentCleared();
  void Logged(const QString& text, int kind);
  void FieldShown(TResultEdit edit, const QString& text);
  void PictureShown(const QImage& picture);
  void FieldMarked(TResultEdit edit, TFieldTrust trust, const QString& why);
  void PictureMarked(TFieldTrust trust, const QString& why);
  void VerdictShown(TVerdictShown verdict, const std::string& details);
  void BacOutcome(bool established, const std::string& reason);

private:
  std::optional<TReadingReport> armed_;  // the report to start once the card answers
  bool recording_ = false;
  bool started_ = false;  // this reading started a report
  std::optional<TReadingReport> report_;
  std::map<QString, int> loggedKinds_;  // this reading's log lines and their kinds
};
