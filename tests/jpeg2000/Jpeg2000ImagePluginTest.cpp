// The JPEG 2000 format in Qt's image format registry: QImageReader opens
// JP2 files and codestreams once the static plugin is imported, as the
// program does.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QFile>
#include <QImageReader>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QtPlugin>

#include "FixtureFiles.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

Q_IMPORT_PLUGIN(TJpeg2000ImagePlugin)

namespace {

QImage Decoded(const std::string& fixture) {
  QBuffer buffer;
  buffer.setData(ReadFixture(fixture));
  buffer.open(QIODevice::ReadOnly);
  TJpeg2000Bitmap bitmap;
  bitmap.LoadFromStream(buffer);
  return bitmap.Image();
}

// A copy of a fixture under another file name.
QString CopyAs(const QTemporaryDir& dir, const std::string& fixture, const QString& name,
               const QByteArray& bytes = {}) {
  const QString path = dir.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes.isEmpty() ? ReadFixture(fixture) : bytes);
  return path;
}

TEST(Jpeg2000ImagePluginTest, RegistersTheThreeSuffixesWithTheirDescription) {
  const QList<QByteArray> formats = QImageReader::supportedImageFormats();
  for (const char* suffix : {"jp2", "j2k", "jpc"}) EXPECT_TRUE(formats.contains(suffix)) << suffix;

  QCborMap metaData;
  for (const QStaticPlugin& plugin : QPluginLoader::staticPlugins()) {
    const QJsonObject json = plugin.metaData();
    if (json.value("className").toString() == "TJpeg2000ImagePlugin") {
      metaData = QCborMap::fromJsonObject(json.value("MetaData").toObject());
    }
  }
  EXPECT_EQ(metaData.value(QStringLiteral("Description")).toString(), "JPEG 2000 Image");
  EXPECT_EQ(metaData.value(QStringLiteral("Keys")).toArray(), QCborArray({"jp2", "j2k", "jpc"}));
}

TEST(Jpeg2000ImagePluginTest, QImageReaderOpensJpeg2000FilesBySuffix) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const struct {
    const char* Fixture;
    const char* Name;
  } cases[] = {
      {"rgb-6x5.jp2", "face.jp2"},
      {"rgb-6x5.j2k", "face.j2k"},
      {"sycc420-7x5.j2k", "face.jpc"},
      {"rgba-cdef-5x3.jp2", "alpha.jp2"},
  };
  for (const auto& c : cases) {
    QImageReader reader(CopyAs(dir, c.Fixture, c.Name));
    const QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << c.Name << ": " << reader.errorString().toStdString();
    EXPECT_EQ(image, Decoded(c.Fixture)) << c.Name;
  }
}

TEST(Jpeg2000ImagePluginTest, QImageReaderRecognisesTheContent) {
  for (const auto& [fixture, format] : {std::pair{"grey-5x4.jp2", "jp2"}, std::pair{"rgb-6x5.j2k", "j2k"}}) {
    QBuffer buffer;
    buffer.setData(ReadFixture(fixture));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    EXPECT_TRUE(reader.canRead()) << fixture;
    EXPECT_EQ(reader.format(), QByteArray(format));
    EXPECT_EQ(reader.read(), Decoded(fixture)) << fixture;
  }
}

TEST(Jpeg2000ImagePluginTest, AFileThatIsNotJpeg2000GivesNoImage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray jfif = QByteArray::fromHex("FFD8FFE000104A46494600010100000100010000FFD9");
  const QByteArray truncated = ReadFixture("rgb-6x5.jp2").first(100);
  for (const QByteArray& bytes : {jfif, truncated}) {
    QImageReader reader(CopyAs(dir, "", "picture.jp2", bytes), "jp2");
    EXPECT_TRUE(reader.read().isNull());
  }
}

}  // namespace
