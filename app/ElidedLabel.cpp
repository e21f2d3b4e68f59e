#include "app/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

QSize TElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void TElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
  style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), palette(), isEnabled(),
                        shown, foregroundRole());
  setToolTip(shown == text() ? QString() : text());
}
