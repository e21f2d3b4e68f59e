// Damaged and hostile inputs: a load either gives a picture of the size the
// file declares or raises "JPEG 2000 image decoding failed", and never reads
// or writes outside its buffers (run under the sanitizers to see that).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QBuffer>

#include "FixtureFiles.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

namespace {

enum class TOutcome { Picture, UnknownType, DecodingFailed, OtherError };

TOutcome Load(const QByteArray& bytes, QImage* image = nullptr) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  TJpeg2000Bitmap bitmap;
  try {
    bitmap.LoadFromStream(buffer);
  } catch (const EJpeg2000Error& error) {
    const std::string text = error.what();
    if (text == "Unknown JPEG 2000 file type") return TOutcome::UnknownType;
    return text == "JPEG 2000 image decoding failed" ? TOutcome::DecodingFailed : TOutcome::OtherError;
  } catch (...) {
    return TOutcome::OtherError;
  }
  if (image != nullptr) *image = bitmap.Image();
  return TOutcome::Picture;
}

void PutBigEndian(QByteArray& bytes, qsizetype at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = char(value >> (8 * (size - 1 - i)));
}

// Offsets in a codestream that begins with SOC and SIZ.
constexpr qsizetype kXsiz = 8, kYsiz = 12, kXTsiz = 24, kYTsiz = 28, kFirstSsiz = 42;

TEST(Jpeg2000HostileInputTest, EveryCorruptedByteFailsCleanlyOrDecodes) {
  const struct {
    const char* Name;
    qsizetype SignatureSize;  // damage there makes the input unknown
  } fixtures[] = {{"rgb-6x5.jp2", 8}, {"sycc420-7x5.j2k", 4}, {"grey16-4x3.jp2", 8}, {"argb-cdef-5x3.jp2", 8}};
  for (const auto& [name, signatureSize] : fixtures) {
    const QByteArray original = ReadFixture(name);
    int pictures = 0, failures = 0;
    for (qsizetype at = 0; at < original.size(); ++at) {
      for (const char flip : {'\x01', '\x80', '\xFF'}) {
        QByteArray damaged = original;
        damaged[at] = char(damaged[at] ^ flip);
        QImage image;
        const TOutcome outcome = Load(damaged, &image);
        const TOutcome refusal = at < signatureSize ? TOutcome::UnknownType : TOutcome::DecodingFailed;
        if (outcome == TOutcome::Picture) {
          ++pictures;
          ASSERT_FALSE(image.isNull()) << name << " byte " << at;
        } else {
          ++failures;
          ASSERT_EQ(outcome, refusal) << name << " byte " << at;
        }
      }
    }
    // Damage in the tile data still decodes; damage in the headers mostly does not.
    EXPECT_GT(pictures, 0) << name;
    EXPECT_GT(failures, 0) << name;
  }
}

struct TEdit {
  qsizetype At;
  std::uint32_t Value;
  int Size;
};

TEST(Jpeg2000HostileInputTest, OversizedOrMalformedHeadersFail) {
  const QByteArray codestream = ReadFixture("rgb-6x5.j2k");
  const struct {
    const char* Name;
    std::vector<TEdit> Edits;
  } cases[] = {
      // Image areas beyond the picture limit, with tile data for 6 x 5 pixels.
      {"WiderThanTheLimit", {{kXsiz, 40000, 4}, {kXTsiz, 40000, 4}}},
      {"LargerThanTheLimit", {{kXsiz, 30000, 4}, {kYsiz, 30000, 4}, {kXTsiz, 30000, 4}, {kYTsiz, 30000, 4}}},
      {"EmptyArea", {{kXsiz, 0, 4}}},
      {"NoSubsampling", {{kFirstSsiz + 1, 0, 1}}},
      {"PrecisionOf128Bits", {{kFirstSsiz, 0x7F, 1}}},
  };
  for (const auto& c : cases) {
    QByteArray damaged = codestream;
    for (const TEdit& edit : c.Edits) PutBigEndian(damaged, edit.At, edit.Value, edit.Size);
    EXPECT_EQ(Load(damaged), TOutcome::DecodingFailed) << c.Name;
  }
}

}  // namespace
