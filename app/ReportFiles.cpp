#include "app/ReportFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <array>
#include <memory>

#include "app/ReportJson.h"
#include "app/ReportPdf.h"

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString Failure(const QString& path, const QString& reason) { return path + QStringLiteral(": ") + reason; }

// The document number as a file name part: fillers dropped, anything but an
// ASCII letter or digit made '_'.
QString FileNamePart(const QString& documentNumber) {
  QString part;
  for (const QChar c : documentNumber) {
    if (c == u'<') continue;
    const bool plain = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
    part += plain ? c : QChar(u'_');
  }
  return part;
}

// Opens a save file for the user alone; empty, or why it cannot be written.
QString Open(QSaveFile& file) {
  if (!file.open(QIODevice::WriteOnly)) return Failure(file.fileName(), file.errorString());
  file.setPermissions(kOwnerOnly);
  return {};
}

}  // namespace

QString ReportFolder() {
  const QString chosen = qEnvironmentVariable("ZELVAN_REPORT_DIR");
  if (!chosen.isEmpty()) return chosen;
  return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("Zelvan"));
}

QString ReportBaseName(const TReadingReport& report) {
  QString number = FileNamePart(report.Field(TResultEdit::BelgeNo));
  if (number.isEmpty()) number = FileNamePart(report.TypedDocumentNumber);
  const QString stamp = report.Time.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  return number.isEmpty() ? stamp : stamp + u'-' + number;
}

TSavedReport SaveReport(const TReadingReport& report, const QString& folder) {
  const QDir dir(folder);
  const QString base = ReportBaseName(report);
  TSavedReport saved{dir.filePath(base + QStringLiteral(".pdf")), dir.filePath(base + QStringLiteral(".json")), {}};
  if (!dir.exists()) {
    if (!QDir().mkpath(folder)) return {{}, {}, Failure(folder, QStringLiteral("the folder cannot be made"))};
    QFile::setPermissions(folder, kOwnerOnly | QFileDevice::ExeOwner);
  }

  struct TOneFile {
    QString Path;
    QByteArray Bytes;
  };
  const std::array<TOneFile, 2> files{{{saved.JsonPath, ReportJson(report)}, {saved.PdfPath, ReportPdf(report)}}};
  // Both written in full before either is renamed into place.
  std::array<std::unique_ptr<QSaveFile>, 2> writers;
  for (std::size_t i = 0; i < files.size(); ++i) {
    writers[i] = std::make_unique<QSaveFile>(files[i].Path);
    if (QString error = Open(*writers[i]); !error.isEmpty()) return {{}, {}, error};
    if (writers[i]->write(files[i].Bytes) != files[i].Bytes.size())
      return {{}, {}, Failure(files[i].Path, writers[i]->errorString())};
  }
  for (std::size_t i = 0; i < writers.size(); ++i) {
    if (writers[i]->commit()) continue;
    const QString error = Failure(files[i].Path, writers[i]->errorString());
    // The pair goes in whole: a file already in place goes again.
    for (std::size_t j = 0; j < i; ++j) QFile::remove(files[j].Path);
    return {{}, {}, error};
  }
  return saved;
}
