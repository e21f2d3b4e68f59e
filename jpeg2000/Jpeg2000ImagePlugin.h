#pragma once
// The program's JPEG 2000 picture format in Qt's image format registry,
// under the keys "jp2", "j2k" and "jpc" (Jpeg2000ImagePlugin.json).
//
// It is a static plugin: a program that links zelvan_jpeg2000 registers it
// once with
//
//   #include <QtPlugin>
//   Q_IMPORT_PLUGIN(TJpeg2000ImagePlugin)
//
// after which QImageReader opens JPEG 2000 files.

#include <QImageIOPlugin>

class TJpeg2000ImagePlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "Jpeg2000ImagePlugin.json")

public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};
