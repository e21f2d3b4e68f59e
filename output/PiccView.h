#pragma once
// The small output interface through which the lower layers show things in
// the main window: log lines, result fields, the progress bar, the picture.
// The window implements it; tests put a recording fake in its place. What the
// operator typed reaches the lower layers as a value (TReadInputs), never
// through this interface.

#include <string>

class QImage;

enum TLogKind : int {
  lkProtocol = 0,         // navy: every progress and protocol message
  lkConnectionError = 2,  // red: the PC/SC error when the card cannot be reached, and failed checks
  lkPassed = 3,           // green: a check the document passed
  lkWarning = 4,          // amber: a check that passed but proves less than it seems
};

// What the verdict panel shows about the document read.
enum class TVerdictShown {
  None,        // nothing yet for this reading
  Genuine,     // every check passed
  NotGenuine,  // a check failed
  Incomplete,  // nothing contradicts, but something is missing
};

// The result edits that the decoding stages fill.
enum class TResultEdit {
  BelgeTipi,  // document type
  Uyrugu,     // issuing state / nationality
  BelgeNo,    // document number
  VatandNo,   // personal (citizenship) number
  Cinsiyeti,  // sex
  Adi1,       // given names, Latin letters
  Soyadi1,    // surname, Latin letters
  DogYeri,    // place of birth
  DogTar2,    // date of birth
  Meslek,     // profession
  Adres,      // address
  VerYer,     // issuing authority
  VerTar,     // date of issue
  GecTar2,    // date of expiry
  Unvan,      // title
  Adi2,       // given names in the holder's own letters
  Soyadi2,    // surname in the holder's own letters
};

// How far what a box (or the face) shows is vouched for by EF.SOD, the
// issuing state's signature over the data groups.
enum class TFieldTrust {
  Signed,        // its data group matched EF.SOD, which passed: shown as usual
  Contradicted,  // its data group does not match its hash in EF.SOD: red
  Unvouched,     // EF.SOD could not vouch for it (none, not listed, signer not trusted): amber
};

class TPiccView {
public:
  virtual ~TPiccView() = default;

  // Appends one coloured line (UTF-8 text) to the log.
  virtual void LogMessage(const std::string& text, int kind) = 0;
  // Appends a plain black line to the log without moving the focus.
  virtual void AppendPlainLine(const std::string& text) = 0;
  virtual void SetResultText(TResultEdit edit, const std::string& text) = 0;
  // A reading starts (no document yet), or its DG1 names this document:
  // unless it is the document this reading already shows, the window
  // empties every result box, the picture and the verdict first.
  virtual void BeginDocument(const std::string& documentNumber, const std::string& issuingState) = 0;
  virtual void SetProgressMax(int maximum) = 0;
  virtual int ProgressPosition() const = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Shows the verdict, with the check lines behind it.
  virtual void ShowVerdict(TVerdictShown verdict, const std::string& details) = 0;
  // Shows a copy of the picture.
  virtual void ShowPicture(const QImage& picture) = 0;
  // Marks a result box, or the face, by how far EF.SOD vouches for it; why
  // is its tooltip (empty for Signed). Emptying the boxes clears the marks.
  virtual void MarkResult(TResultEdit edit, TFieldTrust trust, const std::string& why) = 0;
  virtual void MarkPicture(TFieldTrust trust, const std::string& why) = 0;
  // Basic Access Control ran: established, or not with the reason (the line
  // it logged). The log has no line of its own for BAC's success, so nothing
  // is shown; the window keeps it for the reading's report.
  virtual void NoteBacOutcome(bool /*established*/, const std::string& /*reason*/) {}
};

// A view that shows nothing: where output goes while no window is set.
class TNullPiccView : public TPiccView {
public:
  void LogMessage(const std::string&, int) override {}
  void AppendPlainLine(const std::string&) override {}
  void SetResultText(TResultEdit, const std::string&) override {}
  void BeginDocument(const std::string&, const std::string&) override {}
  void SetProgressMax(int) override {}
  int ProgressPosition() const override { return 0; }
  void SetProgressPosition(int) override {}
  void ShowVerdict(TVerdictShown, const std::string&) override {}
  void ShowPicture(const QImage&) override {}
  void MarkResult(TResultEdit, TFieldTrust, const std::string&) override {}
  void MarkPicture(TFieldTrust, const std::string&) override {}
};

// The process-wide view the lower layers write to (the main window while it
// lives). With none set, output is discarded.
TPiccView& PiccView();
void SetPiccView(TPiccView* view);

// One log line through the current view.
void LogMessage(const std::string& text, int kind = lkProtocol);
