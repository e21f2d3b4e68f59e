#include "app/ReportPdf.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <cmath>

#include "app/LogLine.h"
#include "app/ReportFields.h"
#include "app/VerdictLook.h"

namespace {

constexpr int kResolution = 300;  // dots per inch of the PDF's page
constexpr double kA4WidthPoints = 595.28;
constexpr double kMargin = 42;  // points, each side
constexpr double kFaceWidth = 90;
constexpr double kFaceHeight = 120;
constexpr double kRowHeight = 19;
constexpr double kLabelWidth = 66;
constexpr double kGap = 8;
constexpr double kFooterHeight = 16;
// The check lines' type, largest first, until they fit the page.
constexpr std::array kCheckSizes{9.0, 8.0, 7.0, 6.0, 5.0};

const QColor kText(Qt::black);
const QColor kQuiet(96, 96, 96);
const QColor kBoxLine(160, 160, 160);
const QString kSans = QStringLiteral("Liberation Sans");

QString DateTimeText(const QDateTime& time) { return time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")); }

// Draws in points on a page of any resolution.
class TPage {
public:
  TPage(QPainter& painter, const QSizeF& pageSize)
      : painter_(painter), unit_(pageSize.width() / kA4WidthPoints), size_(pageSize / unit_) {}

  double Width() const { return size_.width(); }
  double Height() const { return size_.height(); }

  QFont Font(double points, bool bold = false) const {
    QFont font(kSans);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * unit_))));
    font.setBold(bold);
    return font;
  }
  // The height of text in font, wrapped at width (points).
  double TextHeight(const QFont& font, double width, const QString& text) const {
    const QFontMetricsF metrics(font, painter_.device());
    return metrics.boundingRect(Scaled(QRectF(0, 0, width, 1e6)), Qt::TextWordWrap, text).height() / unit_;
  }
  // Draws text wrapped at the rectangle's width; gives the height it took.
  double Text(const QRectF& rect, const QString& text, const QFont& font, const QColor& colour,
              int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap) {
    painter_.setFont(font);
    painter_.setPen(colour);
    QRectF used;
    painter_.drawText(Scaled(rect), flags, text, &used);
    return used.height() / unit_;
  }
  // One line cut short with an ellipsis where it does not fit.
  void Line(const QRectF& rect, const QString& text, const QFont& font, const QColor& colour,
            int flags = Qt::AlignLeft | Qt::AlignVCenter) {
    const QFontMetricsF metrics(font, painter_.device());
    Text(rect, metrics.elidedText(text, Qt::ElideRight, rect.width() * unit_), font, colour, flags);
  }
  void Box(const QRectF& rect, const QColor& colour) {
    painter_.setPen(QPen(colour, 0.75 * unit_));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(Scaled(rect));
  }
  void Image(const QRectF& rect, const QImage& image) {
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    painter_.drawImage(Scaled(rect), image);
  }

private:
  QRectF Scaled(const QRectF& rect) const {
    return {rect.x() * unit_, rect.y() * unit_, rect.width() * unit_, rect.height() * unit_};
  }

  QPainter& painter_;
  double unit_;  // device units per point
  QSizeF size_;  // in points
};

// Title, time, reader and version; gives the height used.
double PaintHeader(TPage& page, double top, const TReadingReport& report) {
  const double width = page.Width() - 2 * kMargin;
  double y = top;
  y += page.Text({kMargin, y, width, 30}, QStringLiteral("Zelvan okuma raporu"), page.Font(16, true), kText) + 4;
  const QFont font = page.Font(9.5);
  const std::array<std::pair<QString, QString>, 3> lines{{
      {QStringLiteral("Okuma zamanı"), DateTimeText(report.Time)},
      {QStringLiteral("Okuyucu"), AsOneLogLine(report.Reader)},
      {QStringLiteral("Program"), QStringLiteral("Zelvan " ZELVAN_VERSION)},
  }};
  for (const auto& [label, value] : lines) {
    page.Line({kMargin, y, 80, 14}, label, font, kQuiet);
    page.Line({kMargin + 80, y, width - 80, 14}, value, font, kText);
    y += 14;
  }
  if (report.StoppedEarly()) {
    y += 4;
    y += page.Text({kMargin, y, width, 30},
                   QStringLiteral("Okuma tamamlanmadı: sonuç verilmeden bitti (kart erken çekildi ya da okuma "
                                  "hatası). Rapor yalnızca okunabilenleri içerir."),
                   page.Font(9.5, true), VerdictLook(TVerdictShown::Incomplete).Colour);
  }
  return y - top;
}

// A box's text colour as on the window: red where EF.SOD contradicts it, amber where it cannot vouch.
QColor MarkColour(TFieldTrust trust) {
  return LogKindColour(trust == TFieldTrust::Contradicted ? lkConnectionError : lkWarning);
}

// The boxes in the window's grid with the face at their right; gives the height used.
double PaintDocument(TPage& page, double top, const TReadingReport& report) {
  const double gridWidth = page.Width() - 2 * kMargin - kFaceWidth - 2 * kGap;
  const double columnWidth = (gridWidth - kGap) / 2;
  const QFont labelFont = page.Font(8.5);
  const QFont valueFont = page.Font(9);
  int rows = 0;
  for (const TReportField& field : ReportFields()) {
    const double x = kMargin + field.Column * (columnWidth + kGap);
    const double y = top + field.Row * kRowHeight;
    const double boxWidth = (field.FullWidth ? gridWidth : columnWidth) - kLabelWidth;
    page.Line({x, y, kLabelWidth - 3, kRowHeight - 3}, field.Label, labelFont, kText);
    const QRectF box(x + kLabelWidth, y, boxWidth, kRowHeight - 3);
    page.Box(box, kBoxLine);
    const auto mark = report.Marks.find(field.Edit);
    page.Line(box.adjusted(3, 0, -3, 0), AsOneLogLine(report.Field(field.Edit)), valueFont,
              mark == report.Marks.end() ? kText : MarkColour(mark->second.Trust));
    rows = std::max(rows, field.Row + 1);
  }
  const QRectF frame(page.Width() - kMargin - kFaceWidth, top, kFaceWidth, kFaceHeight);
  page.Box(frame, report.FaceMark.Trust == TFieldTrust::Signed ? kBoxLine : MarkColour(report.FaceMark.Trust));
  if (report.Face.isNull()) {
    page.Text(frame, QStringLiteral("Resim okunmadı"), page.Font(8.5), kQuiet, Qt::AlignCenter | Qt::TextWordWrap);
  } else {
    const QSizeF shown = QSizeF(report.Face.size()).scaled(frame.size() - QSizeF(4, 4), Qt::KeepAspectRatio);
    page.Image(QRectF(frame.center() - QPointF(shown.width() / 2, shown.height() / 2), shown), report.Face);
  }
  return std::max(rows * kRowHeight, kFaceHeight);
}

double PaintVerdict(TPage& page, double top, const TReadingReport& report) {
  const TVerdictLook& look = VerdictLook(report.Verdict);
  page.Line({kMargin, top, 60, 26}, QStringLiteral("Sonuç:"), page.Font(12, true), kText);
  const QString word = report.StoppedEarly() ? QStringLiteral("yok (okuma tamamlanmadı)") : look.Word;
  const QColor colour = report.StoppedEarly() ? VerdictLook(TVerdictShown::Incomplete).Colour : look.Colour;
  page.Line({kMargin + 60, top, page.Width() - 2 * kMargin - 60, 26}, word, page.Font(18, true), colour);
  return 26;
}

// The check lines in the largest type that fits above the footer.
void PaintChecks(TPage& page, double top, double bottom, const TReadingReport& report) {
  const double width = page.Width() - 2 * kMargin;
  top += page.Text({kMargin, top, width, 20}, QStringLiteral("Denetimler"), page.Font(11, true), kText) + 3;
  std::vector<TReportCheck> checks = report.Checks();
  for (TReportCheck& check : checks) check.Text = AsOneLogLine(check.Text);
  if (checks.empty()) checks.push_back({QStringLiteral("(denetim satırı yok)"), lkProtocol});
  const auto heightIn = [&](const QFont& font) {
    double height = 0;
    for (const TReportCheck& check : checks) height += page.TextHeight(font, width, check.Text) + 1;
    return height;
  };
  const auto fits = [&](double size) { return heightIn(page.Font(size)) <= bottom - top; };
  const auto chosen = std::ranges::find_if(kCheckSizes, fits);
  const QFont font = page.Font(chosen == kCheckSizes.end() ? kCheckSizes.back() : *chosen);
  // Whatever the smallest type cannot fit is left out, and the page says so.
  const double noteHeight = page.TextHeight(font, width, QStringLiteral("+")) + 1;
  double y = top;
  for (std::size_t i = 0; i < checks.size(); ++i) {
    const double height = page.TextHeight(font, width, checks[i].Text);
    const bool last = i + 1 == checks.size();
    if (y + height + (last ? 0 : noteHeight) > bottom) {
      page.Text({kMargin, y, width, noteHeight},
                QStringLiteral("(%1 satır daha sayfaya sığmadı; hepsi JSON dosyasında)").arg(checks.size() - i), font,
                kQuiet);
      return;
    }
    page.Text({kMargin, y, width, height}, checks[i].Text, font, LogKindColour(checks[i].Kind));
    y += height + 1;
  }
}

void PaintFooter(TPage& page, const TReadingReport& report) {
  const QRectF line(kMargin, page.Height() - kMargin + 4, page.Width() - 2 * kMargin, kFooterHeight - 4);
  const QFont font = page.Font(7);
  page.Line(line, QStringLiteral("Zelvan " ZELVAN_VERSION " · ") + DateTimeText(report.Time), font, kQuiet);
  page.Line(line, QStringLiteral("Kişisel veri içerir: yetkisiz kişilerle paylaşmayın."), font, kQuiet,
            Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

void PaintReport(QPainter& painter, const QSizeF& pageSize, const TReadingReport& report) {
  painter.setRenderHint(QPainter::Antialiasing);
  TPage page(painter, pageSize);
  double y = kMargin;
  y += PaintHeader(page, y, report) + 12;
  y += PaintDocument(page, y, report) + 12;
  y += PaintVerdict(page, y, report) + 10;
  PaintChecks(page, y, page.Height() - kMargin - 4, report);
  PaintFooter(page, report);
}

QByteArray ReportPdf(const TReadingReport& report) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(kResolution);
    writer.setTitle(QStringLiteral("Zelvan okuma raporu"));
    writer.setCreator(QStringLiteral("Zelvan " ZELVAN_VERSION));
    QPainter painter(&writer);
    PaintReport(painter, QSizeF(writer.width(), writer.height()), report);
  }
  return bytes;
}
