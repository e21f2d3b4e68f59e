#pragma once
// The reader watched from the window's own thread: a look every kInterval
// through SCardGetStatusChange that never waits (TReaderWatch). One thread
// keeps the one reader link and the PC/SC seam out of any race with a
// reading; a look costs one short round trip to the resource manager.

#include <chrono>

#include <QObject>
#include <QTimer>

#include "reader/ReaderWatch.h"

class TCardWatch final : public QObject {
  Q_OBJECT

public:
  static constexpr std::chrono::milliseconds kInterval{250};

  explicit TCardWatch(QObject* parent = nullptr);

  // Establishes the context and chooses the reader now; then looks every kInterval.
  void Start();
  void Stop();
  // While paused (a reading runs on the link) the looks are left out.
  void SetPaused(bool paused) { paused_ = paused; }
  // One look now, as the timer's tick takes it.
  void Look();
  bool CardPresent() const { return watch_.CardPresent(); }

signals:
  // Another reader chosen, or none any more (ReaderLink().ReaderName).
  void ReaderChanged();
  void CardPlaced();

private:
  TReaderWatch watch_;
  QTimer timer_;
  bool paused_ = false;
};
