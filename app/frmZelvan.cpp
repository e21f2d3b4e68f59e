#include "app/frmZelvan.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/CanDialog.h"
#include "app/CardWatch.h"
#include "app/DocumentLogo.h"
#include "app/ElidedLabel.h"
#include "app/ErrorMessage.h"
#include "app/LogLine.h"
#include "app/MrzCatcher.h"
#include "app/ReportFiles.h"
#include "app/VerdictLook.h"
#include "document/CodePage.h"
#include "document/MrzText.h"
#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "reader/ApduExchange.h"
#include "reading/ReadCommand.h"
#include "trust/TrustImport.h"
#include "trust/TrustStore.h"
#include "ui_frmZelvan.h"

TfrmPICC* frmPICC = nullptr;

namespace {

const QString kNoReaderStatus = QStringLiteral(" Okuyucu: Bağlı değil.");
const QString kReaderStatusPrefix = QStringLiteral(" Okuyucu: ");
constexpr std::array kVerdicts{TVerdictShown::Genuine, TVerdictShown::NotGenuine, TVerdictShown::Incomplete};
constexpr int kVerdictPadding = 6;  // each side, as the panel's style sheet says

// Wide enough for the widest verdict word in bold, whatever the reader panel holds.
int VerdictPanelWidth(const QLabel& panel) {
  QFont bold = panel.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  int widest = 0;
  for (const TVerdictShown verdict : kVerdicts)
    widest = std::max(widest, metrics.horizontalAdvance(VerdictWord(verdict)));
  return widest + 2 * kVerdictPadding + 2 * panel.margin() + 2 * panel.frameWidth();
}

// Turns letters to upper case while they are typed.
class TUpperCaseValidator final : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

TCalendarDate ToCalendarDate(const QDate& date) { return {date.year(), date.month(), date.day()}; }

// Files dragged from a file manager: local files only.
bool AllLocalFiles(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return false;
  return std::ranges::all_of(data->urls(), [](const QUrl& url) { return url.isLocalFile(); });
}

}  // namespace

TfrmPICC::TfrmPICC(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::frmPICC>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(626, 511);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  ApplyFonts();

  ui_->eDocNumber->setValidator(new TUpperCaseValidator(ui_->eDocNumber));
  ui_->Image1->setPixmap(QPixmap::fromImage(DrawDocumentLogo())
                             .scaled(ui_->Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
  ui_->Panel2Caption->lower();
  // The reader's name gives way to the verdict: a real ACR122U's name is long
  // enough to squeeze the verdict out of a 626-pixel window.
  auto* statusPanel = new TElidedLabel(kNoReaderStatus, ui_->StatusBar1);
  statusPanel->setObjectName(QStringLiteral("StatusBar1Panel"));
  ui_->StatusBar1->addWidget(statusPanel, 1);
  auto* verdictPanel = new QLabel(ui_->StatusBar1);
  verdictPanel->setObjectName(QStringLiteral("StatusBarVerdict"));
  verdictPanel->setMinimumWidth(VerdictPanelWidth(*verdictPanel));
  ui_->StatusBar1->addPermanentWidget(verdictPanel);

  connect(ui_->bOku, &QPushButton::clicked, this, &TfrmPICC::bOkuClick);
  connect(ui_->actSaveReport, &QAction::triggered, this, &TfrmPICC::SaveReportClick);
  // Trust files are dropped on the window; the log keeps its text to itself.
  setAcceptDrops(true);
  ui_->rbOutput->setAcceptDrops(false);
  // A whole MRZ from a scanner, a paste or a drop fills the inputs.
  new TMrzCatcher(*this, {[this] { RememberInputs(); },
                          [this](const QString& mrz) {
                            RestoreInputs();
                            EnterMrz(mrz);
                          },
                          [this](const QString& mrz) { EnterMrz(mrz); }});
  connect(ui_->eDocNumber, &QLineEdit::textEdited, this, [this] { MarkDocNumber({}); });
  // A reading starts by itself once the inputs are complete: an MRZ accepted,
  // Return in an input, or a card placed after the inputs were edited, never
  // on each key typed by hand (a half-typed number or date is no input yet).
  connect(ui_->eDocNumber, &QLineEdit::textEdited, this, [this] { handEditing_ = true; });
  for (QDateEdit* date : {ui_->eDogTar, ui_->eGecTar}) {
    connect(date, &QDateEdit::dateChanged, this, [this, date] { handEditing_ = handEditing_ || date->hasFocus(); });
    connect(date, &QDateEdit::editingFinished, this, [this] { handEditing_ = false; });
    date->installEventFilter(this);
  }
  connect(ui_->eDocNumber, &QLineEdit::editingFinished, this, [this] { handEditing_ = false; });
  connect(ui_->eDocNumber, &QLineEdit::returnPressed, this, [this] {
    handEditing_ = false;
    readAsked_ = true;
    QTimer::singleShot(0, this, &TfrmPICC::ReadIfDue);
  });
  inputsRead_ = ShownInputs();
  FormCreate();
}

TfrmPICC::~TfrmPICC() {
  // FormDestroy: the picture object goes with the window, and so does the
  // session's key material.
  JP2Bmp.reset();
  WipeSession(gctx);
  if (frmPICC == this) frmPICC = nullptr;
  // A window made before this one went keeps the view.
  if (&PiccView() == this) SetPiccView(nullptr);
}

void TfrmPICC::FormCreate() {
  frmPICC = this;
  SetPiccView(this);
  JP2Bmp = std::make_unique<TJpeg2000Bitmap>();
  shownFace_ = std::make_unique<TShownFace>();
  trustStore_ = std::make_unique<TTrustStore>(TrustStoreFolders());
  cardWatch_ = new TCardWatch(this);
  connect(cardWatch_, &TCardWatch::ReaderChanged, this, &TfrmPICC::ShowReader);
  connect(cardWatch_, &TCardWatch::CardPlaced, this, &TfrmPICC::ReadIfDue);
  try {
    cardWatch_->Start();
    ShowReader();
  } catch (...) {
    // Reader discovery is silent: whatever goes wrong leaves "not connected".
  }
}

void TfrmPICC::FormClose() {
  cardWatch_->Stop();
  ReaderLink().DisconnectCard();
}

void TfrmPICC::ShowReader() {
  const std::string& name = ReaderLink().ReaderName;
  SetStatusText(name.empty() ? kNoReaderStatus : kReaderStatusPrefix + QString::fromStdString(AnsiToUtf8(name)));
}

TfrmPICC::TReadWith TfrmPICC::ShownInputs() const {
  return {ui_->eDocNumber->text(), ui_->eDogTar->date(), ui_->eGecTar->date()};
}

void TfrmPICC::ReadIfDue() {
  if (reading_ || handEditing_ || !cardWatch_->CardPresent()) return;
  if (!readAsked_ && ShownInputs() == inputsRead_) return;
  bOkuClick();
}

bool TfrmPICC::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == ui_->eDogTar || watched == ui_->eGecTar)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      handEditing_ = false;
      readAsked_ = true;
      // After the picker has taken in what was typed.
      QTimer::singleShot(0, this, &TfrmPICC::ReadIfDue);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmPICC::closeEvent(QCloseEvent* event) {
  FormClose();
  QWidget::closeEvent(event);
}

void TfrmPICC::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (centred_) return;
  centred_ = true;
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
}

void TfrmPICC::dragEnterEvent(QDragEnterEvent* event) {
  if (AllLocalFiles(event->mimeData())) event->acceptProposedAction();
}

void TfrmPICC::dropEvent(QDropEvent* event) {
  if (!AllLocalFiles(event->mimeData())) return;
  event->acceptProposedAction();
  ImportDroppedFiles(event->mimeData()->urls());
}

void TfrmPICC::ImportDroppedFiles(const QList<QUrl>& urls) {
  std::vector<std::filesystem::path> files;
  for (const QUrl& url : urls) files.emplace_back(url.toLocalFile().toStdString());
  for (const std::string& line : ImportTrustFiles(files, UserTrustFolder(), trustStore_->Cscas()))
    LogMessage(line, line.starts_with("Imported ") ? lkProtocol : lkConnectionError);
  trustStore_->ReloadIfChanged();
}

void TfrmPICC::RememberInputs() {
  remembered_ = {ui_->eDocNumber->text(), ui_->eDogTar->date(), ui_->eGecTar->date(), nullptr, {}};
  if (auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      focused != nullptr && focused != ui_->eDocNumber && isAncestorOf(focused)) {
    remembered_.Focused = focused;
    remembered_.FocusedText = focused->text();
  }
}

void TfrmPICC::RestoreInputs() {
  ui_->eDocNumber->setText(remembered_.DocNumber);
  ui_->eDogTar->setDate(remembered_.Birth);
  ui_->eGecTar->setDate(remembered_.Expiry);
  if (remembered_.Focused) remembered_.Focused->setText(remembered_.FocusedText);
}

void TfrmPICC::MarkDocNumber(const QString& fault) {
  const QString red = LogKindColour(lkConnectionError).name();
  ui_->eDocNumber->setStyleSheet(
      fault.isEmpty() ? QString() : QStringLiteral("QLineEdit { color: %1; border: 2px solid %1; }").arg(red));
  ui_->eDocNumber->setToolTip(fault);
}

void TfrmPICC::EnterMrz(const QString& text) {
  const QDate today = QDate::currentDate();
  const std::optional<TMrzText> mrz = ReadMrzText(text.toStdString(), ToCalendarDate(today));
  if (!mrz) return;
  if (mrz->Fault) {
    const std::string line = MrzFaultLine(*mrz->Fault);
    MarkDocNumber(QString::fromStdString(line));
    LogMessage(line, lkConnectionError);
    return;
  }
  MarkDocNumber({});
  ui_->eDocNumber->setText(QString::fromStdString(mrz->DocumentNumber));
  ui_->eDogTar->setDate({mrz->DateOfBirth.Year, mrz->DateOfBirth.Month, mrz->DateOfBirth.Day});
  ui_->eGecTar->setDate({mrz->DateOfExpiry.Year, mrz->DateOfExpiry.Month, mrz->DateOfExpiry.Day});
  // A whole MRZ is complete input, and scanning it is the operator asking for
  // a reading (as Return in an input is): it is read even when it equals what
  // the boxes held (the start-up values, or the last reading's). With a card on
  // the reader it is read once the key, paste or drop that brought it has been
  // handled.
  handEditing_ = false;
  readAsked_ = true;
  QTimer::singleShot(0, this, &TfrmPICC::ReadIfDue);
}

void TfrmPICC::ApplyFonts() {
  const QString sansSerif = QStringLiteral("MS Sans Serif");
  setFont(PixelFont(sansSerif, 13));
  ui_->bOku->setFont(PixelFont(sansSerif, 11, true));
  ui_->rbOutput->setFont(PixelFont(sansSerif, 11));
  ui_->LinkLabel1->setFont(PixelFont(QStringLiteral("Arial Narrow"), 13));
}

void TfrmPICC::AppendLogLine(const QString& text, const QColor& colour) {
  QTextCursor cursor(ui_->rbOutput->document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(colour);
  if (logHasLines_) cursor.insertBlock();
  cursor.insertText(AsOneLogLine(text), format);
  logHasLines_ = true;
  ui_->rbOutput->setTextColor(Qt::black);
  ui_->rbOutput->ensureCursorVisible();
}

void TfrmPICC::LogMessage(const std::string& text, int kind) {
  const QString line = QString::fromStdString(text);
  recorder_.Logged(line, kind);
  AppendLogLine(line, LogKindColour(kind));
  ui_->rbOutput->setFocus();
}

void TfrmPICC::AppendPlainLine(const std::string& text) { AppendLogLine(QString::fromStdString(text), Qt::black); }

namespace {

// The text colour of a box by how far EF.SOD vouches for it (a failed
// check's red, a warning's amber); empty: as usual.
QString TrustColour(TFieldTrust trust) {
  struct TTrustLook {
    TFieldTrust Trust;
    int LogKind;
  };
  static constexpr std::array<TTrustLook, 2> kLooks{{
      {TFieldTrust::Contradicted, lkConnectionError},
      {TFieldTrust::Unvouched, lkWarning},
  }};
  const auto look = std::ranges::find_if(kLooks, [trust](const TTrustLook& l) { return l.Trust == trust; });
  return look == kLooks.end() ? QString() : LogKindColour(look->LogKind).name();
}

void MarkBox(QLineEdit& box, TFieldTrust trust, const QString& why) {
  const QString colour = TrustColour(trust);
  box.setStyleSheet(colour.isEmpty() ? QString() : QStringLiteral("QLineEdit { color: %1; }").arg(colour));
  box.setToolTip(why);
}

}  // namespace

QLineEdit* TfrmPICC::ResultEdit(TResultEdit edit) const {
  // In the order of TResultEdit.
  QLineEdit* const edits[] = {
      ui_->eBelgeTipi, ui_->eUyrugu,  ui_->eBelgeNo, ui_->eVatandNo, ui_->eCinsiyeti, ui_->eAdi1,
      ui_->eSoyadi1,   ui_->eDogYeri, ui_->eDogTar2, ui_->eMeslek,   ui_->eAdres,     ui_->eVerYer,
      ui_->eVerTar,    ui_->eGecTar2, ui_->eUnvan,   ui_->eAdi2,     ui_->eSoyadi2,
  };
  return edits[static_cast<int>(edit)];
}

void TfrmPICC::SetResultText(TResultEdit edit, const std::string& text) {
  // A text longer than its box shows from its start, as it is read.
  QLineEdit* const box = ResultEdit(edit);
  box->setText(QString::fromStdString(text));
  box->setCursorPosition(0);
  recorder_.FieldShown(edit, box->text());
}

void TfrmPICC::BeginDocument(const std::string& documentNumber, const std::string& issuingState) {
  // No document (a reading starts, or a chip failed Chip Authentication), or
  // another one than this reading showed: nothing earlier stays on screen,
  // also not for the same document read again (with the picture unticked,
  // or a chip that no longer lists DG12).
  recorder_.DocumentBegins();
  const std::string document = documentNumber + '\n' + issuingState;
  if (!documentNumber.empty() && document == shownDocument_) return;
  ClearDocument();
  shownDocument_ = document;
}

void TfrmPICC::ClearDocument() {
  shownDocument_.clear();
  for (QLineEdit* edit : ui_->GroupBox3->findChildren<QLineEdit*>()) {
    edit->clear();
    MarkBox(*edit, TFieldTrust::Signed, {});
  }
  MarkPicture(TFieldTrust::Signed, {});
  shownFace_->Forget(*JP2Bmp);
  ShowPicture(QImage());
  ShowVerdict(TVerdictShown::None, {});
  recorder_.DocumentCleared();
}

QLabel& TfrmPICC::VerdictPanel() const {
  return *ui_->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusBarVerdict"));
}

void TfrmPICC::ShowVerdict(TVerdictShown verdict, const std::string& details) {
  const TVerdictLook& look = VerdictLook(verdict);
  QLabel& panel = VerdictPanel();
  panel.setText(look.Word);
  panel.setStyleSheet(QStringLiteral("QLabel { color: %1; font-weight: bold; padding: 0 %2px; }")
                          .arg(look.Colour.name())
                          .arg(kVerdictPadding));
  panel.setToolTip(QString::fromStdString(details));
  recorder_.VerdictShown(verdict, details);
}

void TfrmPICC::MarkResult(TResultEdit edit, TFieldTrust trust, const std::string& why) {
  const QString text = QString::fromStdString(why);
  MarkBox(*ResultEdit(edit), trust, text);
  recorder_.FieldMarked(edit, trust, text);
}

void TfrmPICC::MarkPicture(TFieldTrust trust, const std::string& why) {
  // The face keeps its picture; a frame in the mark's colour tells what its tooltip says.
  const QString colour = TrustColour(trust);
  ui_->Image->setStyleSheet(colour.isEmpty() ? QString()
                                             : QStringLiteral("QLabel { border: 3px solid %1; }").arg(colour));
  ui_->Image->setToolTip(QString::fromStdString(why));
  recorder_.PictureMarked(trust, QString::fromStdString(why));
}

void TfrmPICC::SetProgressMax(int maximum) {
  // Like a native progress bar, a new maximum below the position pulls the
  // position down to it (QProgressBar would reset it instead). A range of
  // zero would turn the bar into a busy indicator, so it keeps at least one step.
  const int position = ui_->pBar->value();
  const int range = std::max(maximum, ui_->pBar->minimum() + 1);
  ui_->pBar->setMaximum(range);
  ui_->pBar->setValue(std::clamp(position, ui_->pBar->minimum(), range));
}

int TfrmPICC::ProgressPosition() const { return ui_->pBar->value(); }

void TfrmPICC::SetProgressPosition(int position) {
  // The bar clamps to its range, like the position of a native progress bar.
  ui_->pBar->setValue(std::clamp(position, ui_->pBar->minimum(), ui_->pBar->maximum()));
}

void TfrmPICC::ShowPicture(const QImage& picture) {
  picture_ = picture.copy();
  recorder_.PictureShown(picture_);
  if (picture_.isNull()) {
    ui_->Image->clear();
    ui_->Panel2Caption->show();
    return;
  }
  ui_->Panel2Caption->hide();
  ui_->Image->setPixmap(
      QPixmap::fromImage(picture_).scaled(ui_->Image->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TfrmPICC::NoteBacOutcome(bool established, const std::string& reason) {
  recorder_.BacOutcome(established, reason);
}

void TfrmPICC::SetStatusText(const QString& text) {
  if (auto* panel = ui_->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusBar1Panel"))) panel->setText(text);
}

QString TfrmPICC::StatusText() const {
  const auto* panel = ui_->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusBar1Panel"));
  return panel ? panel->text() : QString();
}

void TfrmPICC::SetErrorPresenter(TErrorPresenter presenter) { errorPresenter_ = std::move(presenter); }

void TfrmPICC::SetCanPresenter(TCanPresenter presenter) { canPresenter_ = std::move(presenter); }

void TfrmPICC::ShowError(const QString& message) {
  const QString text = ErrorBoxText(message);
  if (errorPresenter_) {
    errorPresenter_(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Zelvan"), text, QMessageBox::Ok, this);
  box.exec();
}

void TfrmPICC::bOkuClick() {
  if (reading_) return;
  reading_ = true;
  cardWatch_->SetPaused(true);
  inputsRead_ = ShownInputs();
  readAsked_ = false;
  // A report is of one whole reading: none is saved while one runs.
  ui_->actSaveReport->setEnabled(false);
  recorder_.Arm(QDateTime::currentDateTime(), QString::fromStdString(AnsiToUtf8(ReaderLink().ReaderName)),
                ui_->eDocNumber->text());
  RunReading();
  recorder_.Disarm();
  ui_->actSaveReport->setEnabled(recorder_.Report().has_value());
  cardWatch_->SetPaused(false);
  reading_ = false;
  // Inputs that changed while this reading ran are read once it is over.
  QTimer::singleShot(0, this, &TfrmPICC::ReadIfDue);
}

void TfrmPICC::RunReading() {
  // Nothing may leave this handler: an error ends the read and is shown, and
  // the window keeps working.
  try {
    TReadInputs inputs;
    inputs.DocumentNumber = Utf8ToAnsi(ui_->eDocNumber->text().toStdString());
    inputs.DateOfBirth = ToCalendarDate(ui_->eDogTar->date());
    inputs.DateOfExpiry = ToCalendarDate(ui_->eGecTar->date());
    inputs.PictureWanted = ui_->cbResim->isChecked();
    // The CAN is asked for only while this reading runs, and goes with it.
    inputs.AskCan = [this] { return canPresenter_ ? canPresenter_() : AskCanInDialog(this); };
    // The verdict belongs to one reading: it is set only by this reading's checks.
    ShowVerdict(TVerdictShown::None, {});
    trustStore_->ReloadIfChanged();
    RunReadCommand(inputs, {gctx, *JP2Bmp, *shownFace_, *trustStore_});
  } catch (const std::exception& error) {
    ShowError(QString::fromUtf8(error.what()));
  } catch (...) {
    ShowError(QStringLiteral("Unknown error"));
  }
}

void TfrmPICC::SaveReportClick() {
  const std::optional<TReadingReport>& report = recorder_.Report();
  if (!report || recorder_.Reading()) return;
  const TSavedReport saved = SaveReport(*report, ReportFolder());
  if (saved.Error.isEmpty())
    LogMessage("Rapor: " + saved.PdfPath.toStdString(), lkProtocol);
  else
    LogMessage("Rapor kaydedilemedi: " + saved.Error.toStdString(), lkConnectionError);
}
