#pragma once
// Catches a whole MRZ coming into a window, wherever the focus is in it:
// typed by a keyboard-wedge scanner (TMrzKeystrokes), pasted with Ctrl+V, or
// dropped as text. An application-wide event filter, since a scanner's keys
// go to whichever widget has the focus. Anything that is no MRZ goes on as
// usual, so a document number typed or pasted by hand still lands where it
// is typed.

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/MrzKeystrokes.h"

class QKeyEvent;

class TMrzCatcher final : public QObject {
public:
  struct TReceiver {
    // The first key of what may become a typed MRZ: remember the inputs.
    std::function<void()> KeysBegin;
    // A whole MRZ (its first line's keys reached the window: put the inputs
    // back as they were at KeysBegin first).
    std::function<void(const QString& mrz)> TypedMrz;
    // A whole MRZ pasted or dropped.
    std::function<void(const QString& mrz)> GivenMrz;
  };

  // Watches the keys, pastes and drops of window and its children.
  TMrzCatcher(QWidget& window, TReceiver receiver);
  ~TMrzCatcher() override;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool InWindow(QObject* watched) const;
  bool KeyPressed(QObject* watched, QKeyEvent& key);
  void GiveBack();

  QWidget& window_;
  TReceiver receiver_;
  TMrzKeystrokes keys_;
  std::vector<std::unique_ptr<QKeyEvent>> held_;
  QPointer<QObject> heldFor_;    // the widget the held keys were typed into
  QPointer<QObject> runWidget_;  // the widget the keys of the current run go to
  bool givingBack_ = false;
  // A key press that no widget takes climbs to the parents and is seen once
  // for each; only its first receiver counts.
  const QEvent* lastKey_ = nullptr;
  QPointer<QWidget> lastKeyReceiver_;
};
