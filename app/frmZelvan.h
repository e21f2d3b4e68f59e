#pragma once
// The main window: inputs, result fields, face picture, output log, progress
// bar and status bar, and the read command behind the "Oku" button.

#include <functional>
#include <memory>
#include <optional>

#include <QDate>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include "app/ReadingReport.h"
#include "crypto/MrtdContext.h"
#include "crypto/SecretBuffer.h"
#include "output/PiccView.h"

namespace Ui {
class frmPICC;
}
class QLabel;
class TCardWatch;
class QLineEdit;
class TJpeg2000Bitmap;
class TShownFace;
class TTrustStore;

class TfrmPICC : public QWidget, public TPiccView {
  Q_OBJECT

public:
  explicit TfrmPICC(QWidget* parent = nullptr);
  ~TfrmPICC() override;

  // TPiccView
  void LogMessage(const std::string& text, int kind) override;
  void AppendPlainLine(const std::string& text) override;
  void SetResultText(TResultEdit edit, const std::string& text) override;
  void BeginDocument(const std::string& documentNumber, const std::string& issuingState) override;
  void SetProgressMax(int maximum) override;
  int ProgressPosition() const override;
  void SetProgressPosition(int position) override;
  void ShowVerdict(TVerdictShown verdict, const std::string& details) override;
  void ShowPicture(const QImage& picture) override;
  void MarkResult(TResultEdit edit, TFieldTrust trust, const std::string& why) override;
  void MarkPicture(TFieldTrust trust, const std::string& why) override;
  void NoteBacOutcome(bool established, const std::string& reason) override;

  void SetStatusText(const QString& text);
  QString StatusText() const;
  // The verdict panel at the right of the status bar.
  QLabel& VerdictPanel() const;

  // Who shows an error that ended the read command: a modal message box by
  // default; tests put a recorder here.
  using TErrorPresenter = std::function<void(const QString& message)>;
  void SetErrorPresenter(TErrorPresenter presenter);
  // Who asks the operator for the card access number when a reading needs
  // it: the modal CanDialog by default (AskCanInDialog); tests put a
  // scripted answer here. Returns the CAN's digits, or nothing for "İptal".
  using TCanPresenter = std::function<std::optional<TSecretBuffer>()>;
  void SetCanPresenter(TCanPresenter presenter);

  // Trust files dropped on the window: copied into the user's trust store
  // folder when they parse, one log line each, and the store reloaded.
  void ImportDroppedFiles(const QList<QUrl>& urls);

  // A whole MRZ scanned, pasted or dropped: its document number and dates
  // replace the inputs; with a check digit that does not match, nothing is
  // filled, the document-number box turns red with a tooltip naming the
  // field, and the log says which. Text that is no MRZ changes nothing.
  void EnterMrz(const QString& text);

  Ui::frmPICC& Form() { return *ui_; }
  // The watch over the reader that starts readings by themselves.
  TCardWatch& CardWatch() { return *cardWatch_; }
  const QImage& ShownPicture() const { return picture_; }
  // The last reading whose card answered, for its report; none before.
  const std::optional<TReadingReport>& LastReading() const { return recorder_.Report(); }

public slots:
  // The read command; none while one runs (a card placed or an MRZ scanned
  // while the CAN dialog waits starts nothing).
  void bOkuClick();
  // Saves the last reading as PDF and JSON in the report folder (actSaveReport).
  void SaveReportClick();

protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Return in a date picker: the operator's way of saying the inputs are complete.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FormCreate();
  // The read command, with any error it raises shown.
  void RunReading();
  void FormClose();
  void ApplyFonts();
  // Empties every box, the face and the verdict.
  void ClearDocument();
  void AppendLogLine(const QString& text, const QColor& colour);
  void ShowError(const QString& message);
  QLineEdit* ResultEdit(TResultEdit edit) const;
  // What a scanner's keys may change before the window knows they are an MRZ.
  void RememberInputs();
  void RestoreInputs();
  void MarkDocNumber(const QString& fault);
  // The reader's name in the status bar, or "not connected".
  void ShowReader();
  // Starts the read command as "Oku" would when a card lies on the reader,
  // no reading runs, the operator is not in the middle of typing an input,
  // and either the operator asked for a reading since the last one started
  // (an MRZ accepted, Return in an input) or the inputs differ from those of
  // the last reading (at start-up: from those the window opened with).
  void ReadIfDue();

  std::unique_ptr<Ui::frmPICC> ui_;
  tMRTD_CTX gctx{};
  std::unique_ptr<TJpeg2000Bitmap> JP2Bmp;
  std::unique_ptr<TShownFace> shownFace_;
  std::unique_ptr<TTrustStore> trustStore_;
  QImage picture_;
  std::string shownDocument_;  // number and issuing state of the document whose data is on screen
  bool logHasLines_ = false;
  bool centred_ = false;
  TErrorPresenter errorPresenter_;
  TCanPresenter canPresenter_;
  TReportRecorder recorder_;
  struct TInputs {
    QString DocNumber;
    QDate Birth, Expiry;
    QPointer<QLineEdit> Focused;  // another box the keys went into
    QString FocusedText;
  };
  TInputs remembered_;
  // The inputs a reading is made with: the last reading's are not read again by themselves.
  struct TReadWith {
    QString DocNumber;
    QDate Birth, Expiry;
    bool operator==(const TReadWith&) const = default;
  };
  TReadWith ShownInputs() const;
  TReadWith inputsRead_;
  TCardWatch* cardWatch_ = nullptr;
  bool reading_ = false;
  bool handEditing_ = false;  // an input edited by hand, its editing not yet finished
  bool readAsked_ = false;    // an MRZ accepted or Return in an input since the last reading started
};

// The one main window of the process, while it lives.
extern TfrmPICC* frmPICC;
