#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "FaceBytes.h"
#include "Fixtures.h"
#include "document/face/FaceLocation.h"

namespace {

std::optional<TBytes> Located(const TBytes& dg2) {
  const auto data = LocateFaceImage(dg2);
  if (!data) return std::nullopt;
  return TBytes(data->begin(), data->end());
}

TBytes NotFacial(TBytes record) {
  record[0] = 'X';
  return record;
}

TEST(LocateFaceImage, ImageDataInEveryLayout) {
  const TBytes image = Ascii("IMAGE-DATA-0123456789");
  const TBytes image100(100, 0x5A);
  const TBytes stale = Ascii("STALE-BYTES");
  // A block whose length cannot be read (80), padded like the 82 xx xx form.
  const TBytes unreadableLength = Concat({{0x75, 0x7F, 0x5F, 0x2E, 0x80, 0x00, 0x00}, TBytes(46, 0xAA), image, stale});
  const TBytes nearTheEnd{0x75, 0x05, 0x5F, 0x2E, 0x01, 0x02, 0x03};
  TBytes notDG2 = DG2(FacialRecord(image));
  notDG2[0] = 0x76;
  const auto face = [](const TBytes& record) {
    return Tlv({0x7F, 0x60}, BiometricDataBlock(record, TLengthForm::TwoBytes));
  };
  const TBytes twoTemplates = Tlv(
      {0x75}, Tlv({0x7F, 0x61}, Concat({{0x02, 0x01, 0x02}, face(FacialRecord(image)), face(FacialRecord(stale))})));
  const std::vector<std::pair<const char*, std::pair<TBytes, std::optional<TBytes>>>> cases{
      {"fixed layout: 82 length, no feature points", {DG2(FacialRecord(image)), image}},
      {"one-byte length", {DG2(FacialRecord(image), TLengthForm::Shortest), image}},
      {"81 length", {DG2(FacialRecord(image100), TLengthForm::Shortest), image100}},
      {"feature points", {DG2(FacialRecord(image, kImageDataJpeg2000, 3)), image}},
      {"feature points, one-byte length",
       {DG2(FacialRecord(image, kImageDataJpeg2000, 1), TLengthForm::Shortest), image}},
      {"stale bytes behind DG2", {Concat({DG2(FacialRecord(image)), stale}), image}},
      {"bytes behind the face block, inside the biometric data block",
       {DG2(Concat({FacialRecord(image), stale})), Concat({image, stale})}},
      {"only the first block", {twoTemplates, image}},
      {"other record, fixed layout: 49 bytes on, to the block's end",
       {Concat({DG2(NotFacial(FacialRecord(image))), stale}), image}},
      {"other record, one-byte length: 49 bytes on",
       {DG2(NotFacial(FacialRecord(image)), TLengthForm::Shortest), TBytes(image.begin() + 2, image.end())}},
      {"unreadable block length: 49 bytes on, to the end", {unreadableLength, Concat({image, stale})}},
      {"skip past the end: everything", {nearTheEnd, nearTheEnd}},
      {"skip to the end exactly: everything",
       {Concat({{0x75, 0x80, 0x5F, 0x2E}, TBytes(49, 0x00)}), Concat({{0x75, 0x80, 0x5F, 0x2E}, TBytes(49, 0x00)})}},
      {"no DG2 tag", {notDG2, std::nullopt}},
      {"no biometric data block", {Tlv({0x75}, Tlv({0x7F, 0x61}, {0x02, 0x01, 0x00})), std::nullopt}},
      {"DG2 tag alone", {{0x75}, std::nullopt}},
      {"empty", {{}, std::nullopt}},
  };
  for (const auto& [name, c] : cases) EXPECT_EQ(Located(c.first), c.second) << name;
}

TEST(LocateFaceImage, ImageDataRunsToTheEndOfTheBiometricDataBlock) {
  // A record that understates its length must not cut the codestream.
  const TBytes codestream = Fixture("small.j2k");
  ASSERT_GT(codestream.size(), 100u);
  struct TCase {
    const char* Name;
    TBytes Record;
    TLengthForm Form;
  };
  const std::vector<TCase> cases{
      {"one byte short", Understating(FacialRecord(codestream), 1), TLengthForm::TwoBytes},
      {"half the codestream short", Understating(FacialRecord(codestream), codestream.size() / 2),
       TLengthForm::TwoBytes},
      {"face block ends where the image data starts", Understating(FacialRecord(codestream), codestream.size()),
       TLengthForm::TwoBytes},
      {"feature points, 81 length", Understating(FacialRecord(codestream, kImageDataJpeg2000, 2), 20),
       TLengthForm::Shortest},
  };
  for (const TCase& c : cases) EXPECT_EQ(Located(DG2(c.Record, c.Form)), codestream) << c.Name;
}

}  // namespace
