#include "app/CardWatch.h"

TCardWatch::TCardWatch(QObject* parent) : QObject(parent), watch_(ReaderLink()) {
  timer_.setInterval(kInterval);
  connect(&timer_, &QTimer::timeout, this, &TCardWatch::Look);
}

void TCardWatch::Start() {
  watch_.Start();
  timer_.start();
}

void TCardWatch::Stop() { timer_.stop(); }

void TCardWatch::Look() {
  if (paused_) return;
  const TReaderEvents events = watch_.Look();
  if (events.ReaderChanged) emit ReaderChanged();
  if (events.CardPlaced) emit CardPlaced();
}
