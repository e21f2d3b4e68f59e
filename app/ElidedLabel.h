#pragma once
// A label that gives way: it keeps its whole text (text(), the tooltip) but
// draws as much of it as fits, ending in "…", so a long reader name never
// squeezes the panels beside it in the status bar.

#include <QLabel>

class TElidedLabel : public QLabel {
public:
  using QLabel::QLabel;

  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
};
