// TJpeg2000Bitmap::LoadFromStream with the pixel conversion, from a
// random-access stream and from a sequential one (first input byte, bit 0).
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <QBuffer>
#include <QByteArray>

#include "fuzz/FuzzSupport.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

namespace {

// A stream that cannot seek, as a socket or a pipe would be: it hands out
// its bytes once, in order.
class TSequentialBytes final : public QIODevice {
public:
  explicit TSequentialBytes(const QByteArray& bytes) : bytes_(bytes) {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return bytes_.size() - offset_ + QIODevice::bytesAvailable(); }

protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 count = std::min(maxSize, bytes_.size() - offset_);
    std::copy_n(bytes_.constData() + offset_, count, data);
    offset_ += count;
    return count;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  const QByteArray& bytes_;
  qint64 offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  QBuffer randomAccess(&bytes);
  TSequentialBytes sequential(bytes);
  QIODevice& stream = (data[0] & 1) ? static_cast<QIODevice&>(sequential) : randomAccess;
  stream.open(QIODevice::ReadOnly);

  TJpeg2000Bitmap bitmap;
  bitmap.SetDecoderThreads(1);
  try {
    bitmap.LoadFromStream(stream);
  } catch (const std::exception& error) {
    if (!IsExpectedFailure(error)) Finding(error.what());
    if (!bitmap.Image().isNull()) Finding("picture changed by a failed load");
    return 0;
  }
  const QImage& image = bitmap.Image();
  if (image.isNull()) Finding("no picture after a load that succeeded");
  const QImage::Format format = image.format();
  if (format != QImage::Format_Indexed8 && format != QImage::Format_BGR888 && format != QImage::Format_ARGB32)
    Finding("picture of an unexpected format");
  return 0;
}
