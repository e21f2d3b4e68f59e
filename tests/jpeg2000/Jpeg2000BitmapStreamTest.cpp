// LoadFromStream as its callers see it: signatures, error texts, where the
// stream stands afterwards, and a bitmap that keeps its picture on failure.

#include <gtest/gtest.h>

#include <string>

#include <QBuffer>

#include "FixtureFiles.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

namespace {

const std::string kUnknownFileType = "Unknown JPEG 2000 file type";
const std::string kDecodingFailed = "JPEG 2000 image decoding failed";

// Bytes the stream holds before the picture, so positions are not counted from 0.
const QByteArray kPrefix("DG2", 3);

// A stream holding prefix + bytes, standing after the prefix.
class TStream {
public:
  explicit TStream(const QByteArray& bytes) {
    buffer_.setData(kPrefix + bytes);
    buffer_.open(QIODevice::ReadOnly);
    buffer_.seek(kPrefix.size());
  }
  QBuffer& Device() { return buffer_; }
  qint64 Offset() const { return buffer_.pos() - kPrefix.size(); }

private:
  QBuffer buffer_;
};

// A bitmap that already holds a picture.
TJpeg2000Bitmap LoadedBitmap() {
  TJpeg2000Bitmap bitmap;
  TStream stream(ReadFixture("grey-5x4.jp2"));
  bitmap.LoadFromStream(stream.Device());
  return bitmap;
}

std::string ErrorText(TJpeg2000Bitmap& bitmap, QIODevice& device) {
  try {
    bitmap.LoadFromStream(device);
  } catch (const EJpeg2000Error& error) {
    return error.what();
  }
  return "no error";
}

struct TFailureCase {
  std::string Name;
  QByteArray Bytes;
  std::string Error;
  qint64 Offset;  // where the stream stands afterwards, counted after the prefix
};

std::ostream& operator<<(std::ostream& out, const TFailureCase& c) { return out << c.Name; }

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// Where the tile data of a file starts: right after its start-of-data marker.
qint64 TileDataOffset(const QByteArray& file) { return file.indexOf(QByteArray::fromHex("FF93")) + 2; }

std::vector<TFailureCase> FailureCases() {
  const QByteArray jp2 = ReadFixture("rgb-6x5.jp2");
  const QByteArray j2k = ReadFixture("rgb-6x5.j2k");
  // rgb-6x5.jp2: signature box 12 bytes, file type box 20, then the header box.
  constexpr qint64 kHeaderBoxStart = 12 + 20;
  return {
      {"Empty", {}, kUnknownFileType, 0},
      {"SevenBytesOfJp2Signature", Hex("0000000C6A5020"), kUnknownFileType, 0},
      {"CodestreamMarkersAloneAreFewerThanEight", Hex("FF4FFF51"), kUnknownFileType, 0},
      {"Jfif", Hex("FFD8FFE000104A46494600010100000100010000FFD9"), kUnknownFileType, 0},
      {"Jp2SignatureWithWrongLength", Hex("0000000D6A5020200D0A870A"), kUnknownFileType, 0},
      // Only the markers are compared, so this is taken for a codestream; the
      // decoder reads SOC, SIZ and the SIZ length of 0, and gives up.
      {"CodestreamMarkersThenJunk", Hex("FF4FFF5100000000"), kDecodingFailed, 2 + 2 + 2},
      // The signature box, then a box header cut after 4 bytes.
      {"Jp2SignatureThenJunk", Hex("0000000C6A5020200D0A870A00000000"), kDecodingFailed, 16},
      // The header box announces more bytes than follow its 8-byte header.
      {"Jp2CutInHeader", jp2.first(60), kDecodingFailed, kHeaderBoxStart + 8},
      // The tile part announces more bytes than follow its start-of-data marker.
      {"Jp2CutInData", jp2.first(jp2.size() - 12), kDecodingFailed, TileDataOffset(jp2)},
      // All tile data present, the end-of-codestream marker missing.
      {"CodestreamCutBeforeEnd", j2k.first(j2k.size() - 2), kDecodingFailed, j2k.size() - 2},
  };
}

class Jpeg2000FailureTest : public testing::TestWithParam<TFailureCase> {};

TEST_P(Jpeg2000FailureTest, RaisesKeepsThePictureAndPlacesTheStream) {
  const TFailureCase& c = GetParam();
  TJpeg2000Bitmap bitmap = LoadedBitmap();
  const QImage before = bitmap.Image();
  TStream stream(c.Bytes);

  EXPECT_EQ(ErrorText(bitmap, stream.Device()), c.Error);
  EXPECT_EQ(stream.Offset(), c.Offset);
  EXPECT_EQ(bitmap.Image(), before);
  EXPECT_EQ(bitmap.Image().format(), QImage::Format_Indexed8);
}

INSTANTIATE_TEST_SUITE_P(Inputs, Jpeg2000FailureTest, testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return info.param.Name; });

TEST(Jpeg2000StreamTest, StandsRightAfterTheConsumedBytesWhenMoreFollow) {
  const QByteArray trailer("\x30\x82\x01\x00 stale bytes of an earlier file", 34);
  for (const char* name : {"rgb-6x5.jp2", "rgb-6x5.j2k", "sycc420-7x5.jp2"}) {
    const QByteArray picture = ReadFixture(name);
    TJpeg2000Bitmap alone, followed;
    TStream aloneStream(picture), followedStream(picture + trailer);

    alone.LoadFromStream(aloneStream.Device());
    followed.LoadFromStream(followedStream.Device());

    EXPECT_EQ(followedStream.Offset(), picture.size()) << name;
    EXPECT_EQ(followedStream.Device().read(trailer.size()), trailer) << name;
    EXPECT_EQ(followed.Image(), alone.Image()) << name;
  }
}

TEST(Jpeg2000StreamTest, ANewPictureReplacesTheOldOne) {
  TJpeg2000Bitmap bitmap = LoadedBitmap();
  TStream stream(ReadFixture("rgba-cdef-5x3.jp2"));
  bitmap.LoadFromStream(stream.Device());
  EXPECT_EQ(bitmap.Image().format(), QImage::Format_ARGB32);
  EXPECT_EQ(bitmap.Image().size(), QSize(5, 3));
}

TEST(Jpeg2000StreamTest, StartsWithoutAPicture) { EXPECT_TRUE(TJpeg2000Bitmap().Image().isNull()); }

// A stream that announces more bytes than it holds.
class TShortDevice : public QIODevice {
public:
  TShortDevice(QByteArray bytes, qint64 announced) : bytes_(std::move(bytes)), announced_(announced) {
    open(QIODevice::ReadOnly);
  }
  qint64 size() const override { return announced_; }

protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 count = std::max<qint64>(0, std::min<qint64>(maxSize, bytes_.size() - pos()));
    std::copy_n(bytes_.constData() + pos(), count, data);
    return count;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  QByteArray bytes_;
  qint64 announced_;
};

TEST(Jpeg2000StreamTest, AShortStreamRaisesItsReadError) {
  const QByteArray picture = ReadFixture("rgb-6x5.jp2");
  TShortDevice device(picture, picture.size() + 100);
  TJpeg2000Bitmap bitmap = LoadedBitmap();
  const QImage before = bitmap.Image();

  try {
    bitmap.LoadFromStream(device);
    FAIL() << "no error";
  } catch (const EJpeg2000Error&) {
    FAIL() << "a decoding error instead of the stream's";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Stream read error");
  }
  EXPECT_EQ(bitmap.Image(), before);
}

TEST(Jpeg2000StreamTest, TwoDecoderThreadsGiveTheSamePixelsAsOne) {
  const QByteArray face = ReadFixture("face-480x640.jp2");
  TJpeg2000Bitmap single, dual;
  single.SetDecoderThreads(1);
  dual.SetDecoderThreads(2);
  TStream singleStream(face), dualStream(face);

  single.LoadFromStream(singleStream.Device());
  dual.LoadFromStream(dualStream.Device());

  EXPECT_EQ(TJpeg2000Bitmap().DecoderThreads(), 2);
  ASSERT_EQ(single.Image().size(), QSize(480, 640));
  EXPECT_EQ(single.Image().format(), QImage::Format_BGR888);
  EXPECT_EQ(dual.Image(), single.Image());
  EXPECT_EQ(dualStream.Offset(), face.size());
}

}  // namespace
