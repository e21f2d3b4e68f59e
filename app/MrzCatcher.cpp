#include "app/MrzCatcher.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QWidget>

#include "document/MrzText.h"

namespace {

// The character a key types for the MRZ: '\n' for a line end, 0 for anything
// that cannot be part of one.
char TypedCharacter(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
      return '\n';
    default:
      break;
  }
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  const QString text = key.text();
  if (text == QStringLiteral("\r") || text == QStringLiteral("\n") || text == QStringLiteral("\t")) return '\n';
  if (text.size() != 1 || text[0].unicode() > 0x7F) return 0;
  return static_cast<char>(text[0].unicode());
}

// Dragged or dropped text that is an MRZ (not files, whose names come as text too).
bool CarriesMrz(const QMimeData* data) {
  return data != nullptr && data->hasText() && !data->hasUrls() && MrzLines(data->text().toStdString()).has_value();
}

}  // namespace

TMrzCatcher::TMrzCatcher(QWidget& window, TReceiver receiver)
    : QObject(&window), window_(window), receiver_(std::move(receiver)) {
  qApp->installEventFilter(this);
}

TMrzCatcher::~TMrzCatcher() { qApp->removeEventFilter(this); }

bool TMrzCatcher::InWindow(QObject* watched) const {
  auto* widget = qobject_cast<QWidget*>(watched);
  return widget != nullptr && (widget == &window_ || window_.isAncestorOf(widget));
}

bool TMrzCatcher::eventFilter(QObject* watched, QEvent* event) {
  if (givingBack_ || !InWindow(watched)) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* receiver = static_cast<QWidget*>(watched);
      const bool climbing = event == lastKey_ && lastKeyReceiver_ && receiver != lastKeyReceiver_ &&
                            receiver->isAncestorOf(lastKeyReceiver_);
      if (climbing) return false;
      lastKey_ = event;
      lastKeyReceiver_ = receiver;
      return KeyPressed(watched, static_cast<QKeyEvent&>(*event));
    }
    case QEvent::KeyRelease:
      // The next press is another key, even where it comes at the same address.
      lastKey_ = nullptr;
      return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto& drag = static_cast<QDragMoveEvent&>(*event);
      if (!CarriesMrz(drag.mimeData())) return false;
      drag.acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto& drop = static_cast<QDropEvent&>(*event);
      if (!CarriesMrz(drop.mimeData())) return false;
      drop.acceptProposedAction();
      receiver_.GivenMrz(drop.mimeData()->text());
      return true;
    }
    default:
      return false;
  }
}

bool TMrzCatcher::KeyPressed(QObject* watched, QKeyEvent& key) {
  if (key.matches(QKeySequence::Paste)) {
    const QString text = QGuiApplication::clipboard()->text();
    if (!MrzLines(text.toStdString())) return false;
    keys_.Forget();
    held_.clear();
    receiver_.GivenMrz(text);
    return true;
  }
  // Keys into another widget begin a new run: what was typed elsewhere is
  // not the start of an MRZ line. A scanner's keys, once held, stay where
  // its first line went.
  if (watched != runWidget_ && !keys_.Holding()) keys_.Forget();
  runWidget_ = watched;
  const char typed = TypedCharacter(key);
  if (keys_.Idle() && typed != '\n' && typed != 0) receiver_.KeysBegin();
  switch (keys_.Key(typed)) {
    case TMrzKeystrokes::TStep::Pass:
      return false;
    case TMrzKeystrokes::TStep::Hold:
      if (held_.empty()) heldFor_ = watched;
      held_.emplace_back(static_cast<QKeyEvent*>(key.clone()));
      return true;
    case TMrzKeystrokes::TStep::Whole:
      held_.clear();
      receiver_.TypedMrz(QString::fromLatin1(keys_.Text()));
      return true;
    case TMrzKeystrokes::TStep::Drop:
      return true;
    case TMrzKeystrokes::TStep::GiveBack:
      GiveBack();
      return false;
  }
  return false;
}

void TMrzCatcher::GiveBack() {
  // Keys held for a run that turned out to be no MRZ go where they were typed.
  givingBack_ = true;
  std::vector<std::unique_ptr<QKeyEvent>> held;
  held.swap(held_);
  for (const auto& key : held)
    if (heldFor_) QCoreApplication::sendEvent(heldFor_, key.get());
  givingBack_ = false;
}
