#pragma once
// The picture files of tests/document/data, made by make-face-fixtures.sh.

#include <fstream>
#include <iterator>
#include <string>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "LdsBytes.h"

inline std::string FixturePath(const std::string& name) { return std::string(LDS_TEST_DATA_DIR) + "/" + name; }

inline TBytes Fixture(const std::string& name) {
  std::ifstream in(FixturePath(name), std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A picture file as 32-bit RGB, for pixel comparisons.
inline QImage FixturePicture(const std::string& name) {
  return QImage(QString::fromStdString(FixturePath(name))).convertToFormat(QImage::Format_RGB32);
}

// A picture as JPEG (JFIF) data, written by Qt.
inline TBytes JpegOf(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(90);
  writer.write(picture);
  return TBytes(bytes.begin(), bytes.end());
}
