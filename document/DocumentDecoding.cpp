#include "document/DocumentDecoding.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

constexpr int kDataGroup1 = 1;
constexpr int kDataGroup2 = 2;
constexpr int kDataGroup11 = 11;
constexpr int kDataGroup12 = 12;
constexpr int kDataGroup14 = 14;

}  // namespace

void DecodeComInto(TDocument& document) {
  std::array<std::uint8_t, kEFComBufferSize> buffer{};
  const std::vector<std::uint8_t>& read = document.Com.Bytes;
  std::copy_n(read.begin(), std::min(read.size(), buffer.size()), buffer.begin());
  tEFComFile list;
  DecodeEFCom(buffer, list);
  document.ComList = list;
}

void DecodeDg1Into(TDocument& document, TMemoryStream& stream) {
  if (document.DataGroupState(kDataGroup1) == TFileState::CutOff) throw EReadError();
  std::string mrz;
  ExtractMrz(stream, mrz);
  document.Dg1 = CutMrz(mrz);
  document.Mrz = std::move(mrz);
}

void DecodeDg11Into(TDocument& document, TMemoryStream& stream) {
  if (!document.HasWhole(kDataGroup11)) return;
  tDG11File dg11;
  DecodeDG11(stream, dg11);
  document.Dg11 = std::move(dg11);
}

void DecodeDg12Into(TDocument& document, const TMemoryStream& stream) {
  if (!document.HasWhole(kDataGroup12)) return;
  document.Dg12 = DecodeDG12(stream.Bytes());
}

void DecodeDg14Into(TDocument& document) {
  if (!document.HasWhole(kDataGroup14)) return;
  document.Dg14 = ParseDG14(document.DataGroups.at(kDataGroup14).Bytes);
}

void DecodeFaceInto(TDocument& document, TMemoryStream& stream, TJpeg2000Bitmap& bitmap) {
  if (document.DataGroupState(kDataGroup2) == TFileState::CutOff) return;
  document.Face = ExtractFaceImage(stream, bitmap);
}
