// Reading the colour space and the component types from the boxes of a JP2
// file's header box.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "jpeg2000/BoxReader.h"
#include "jpeg2000/Jp2Header.h"

namespace {

using enum OPJ_COMPONENT_TYPE;
using Bytes = std::vector<std::uint8_t>;

void PutBigEndian(Bytes& out, std::uint64_t value, int size) {
  for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes Box(const char (&type)[5], const Bytes& payload) {
  Bytes box;
  PutBigEndian(box, 8 + payload.size(), 4);
  box.insert(box.end(), type, type + 4);
  box.insert(box.end(), payload.begin(), payload.end());
  return box;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Ihdr(std::uint16_t components) {
  Bytes payload;
  PutBigEndian(payload, 4, 4);  // height
  PutBigEndian(payload, 4, 4);  // width
  PutBigEndian(payload, components, 2);
  payload.insert(payload.end(), {7, 7, 0, 0});  // 8 bits, JPEG 2000, known space, no IPR
  return Box("ihdr", payload);
}

Bytes Colr(std::uint32_t enumCs, std::uint8_t method = 1) {
  Bytes payload{method, 0, 0};
  PutBigEndian(payload, enumCs, 4);
  return Box("colr", payload);
}

using TEntry = std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>;  // channel, type, association

Bytes Cdef(const std::vector<TEntry>& entries, std::size_t declared = SIZE_MAX) {
  Bytes payload;
  PutBigEndian(payload, declared == SIZE_MAX ? entries.size() : declared, 2);
  for (const auto& [channel, type, association] : entries) {
    PutBigEndian(payload, channel, 2);
    PutBigEndian(payload, type, 2);
    PutBigEndian(payload, association, 2);
  }
  return Box("cdef", payload);
}

// A JP2 file up to its codestream box, with the given header box contents.
Bytes File(const Bytes& headerBoxes) {
  return Concat({Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}),
                 Box("ftyp", {'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '}), Box("jp2h", headerBoxes),
                 Box("jp2c", {0xFF, 0x4F, 0xFF, 0x51})});
}

constexpr std::uint16_t kColour = 0, kOpacity = 1, kPremultiplied = 2;

struct THeaderCase {
  std::string Name;
  Bytes File;
  std::uint32_t Components;
  OPJ_COLOR_SPACE ColorSpace;
  std::vector<OPJ_COMPONENT_TYPE> Types;
};

std::ostream& operator<<(std::ostream& out, const THeaderCase& c) { return out << c.Name; }

const auto U = COMPTYPE_UNKNOWN;

std::vector<THeaderCase> HeaderCases() {
  return {
      {"SrgbWithoutDefinitions", File(Concat({Ihdr(3), Colr(16)})), 3, OPJ_CLRSPC_SRGB, {U, U, U}},
      {"SyccWithoutDefinitions", File(Concat({Ihdr(3), Colr(18)})), 3, OPJ_CLRSPC_SYCC, {U, U, U}},
      {"GreyWithAlpha",
       File(Concat({Ihdr(2), Colr(17), Cdef({{0, kColour, 1}, {1, kOpacity, 0}})})),
       2,
       OPJ_CLRSPC_GRAY,
       {COMPTYPE_Y, COMPTYPE_OPACITY}},
      {"BlueGreenRed",
       File(Concat({Ihdr(3), Colr(16), Cdef({{0, kColour, 3}, {1, kColour, 2}, {2, kColour, 1}})})),
       3,
       OPJ_CLRSPC_SRGB,
       {COMPTYPE_B, COMPTYPE_G, COMPTYPE_R}},
      {"AlphaRedGreenBlue",
       File(Concat({Ihdr(4), Colr(16), Cdef({{0, kOpacity, 0}, {1, kColour, 1}, {2, kColour, 2}, {3, kColour, 3}})})),
       4,
       OPJ_CLRSPC_SRGB,
       {COMPTYPE_OPACITY, COMPTYPE_R, COMPTYPE_G, COMPTYPE_B}},
      {"Sycc",
       File(Concat({Ihdr(3), Colr(18), Cdef({{0, kColour, 1}, {1, kColour, 2}, {2, kColour, 3}})})),
       3,
       OPJ_CLRSPC_SYCC,
       {COMPTYPE_Y, COMPTYPE_CB, COMPTYPE_CR}},
      {"ChannelBeyondTheComponentsIgnored",
       File(Concat({Ihdr(2), Colr(17), Cdef({{5, kOpacity, 0}, {2, kColour, 1}, {0, kColour, 1}})})),
       2,
       OPJ_CLRSPC_GRAY,
       {COMPTYPE_Y, U}},
      {"EntriesOutsideTheRulesStayUnknown",
       File(Concat({Ihdr(4), Colr(16),
                    Cdef({{0, kPremultiplied, 0}, {1, kColour, 0}, {2, kColour, 65535}, {3, kOpacity, 1}})})),
       4,
       OPJ_CLRSPC_SRGB,
       {U, U, U, U}},
      {"AssociationBeyondTheSpace",
       File(Concat({Ihdr(2), Colr(17), Cdef({{0, kColour, 2}, {1, kColour, 4}})})),
       2,
       OPJ_CLRSPC_GRAY,
       {U, U}},
      {"OtherSpaceKnowsOpacityOnly",
       File(Concat({Ihdr(2), Colr(12), Cdef({{0, kColour, 1}, {1, kOpacity, 0}})})),
       2,
       OPJ_CLRSPC_UNKNOWN,
       {U, COMPTYPE_OPACITY}},
      {"IccProfileMethod", File(Concat({Ihdr(3), Colr(16, 2)})), 3, OPJ_CLRSPC_UNKNOWN, {U, U, U}},
      {"DefinitionsNotRightAfterTheColour",
       File(Concat({Ihdr(3), Cdef({{0, kColour, 3}}), Colr(16)})),
       3,
       OPJ_CLRSPC_SRGB,
       {U, U, U}},
      {"DefinitionsAfterTheBoxAfterTheColour",
       File(Concat({Ihdr(3), Colr(16), Box("res ", {}), Cdef({{0, kColour, 3}})})),
       3,
       OPJ_CLRSPC_SRGB,
       {U, U, U}},
      {"FirstColourCounts",
       File(Concat({Ihdr(3), Colr(16), Colr(18), Cdef({{0, kColour, 3}})})),
       3,
       OPJ_CLRSPC_SRGB,
       {COMPTYPE_B, U, U}},
      {"EntriesCutShort",
       File(Concat({Ihdr(2), Colr(17), Cdef({{0, kColour, 1}, {1, kOpacity, 0}}, 9)})),
       2,
       OPJ_CLRSPC_GRAY,
       {COMPTYPE_Y, COMPTYPE_OPACITY}},
      {"NoHeaderBox",
       Concat({Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}), Box("jp2c", {})}),
       3,
       OPJ_CLRSPC_UNKNOWN,
       {U, U, U}},
      {"HeaderBoxAfterTheCodestream",
       Concat({Box("jp2c", {0xFF, 0x4F}), Box("jp2h", Concat({Ihdr(3), Colr(16)}))}),
       3,
       OPJ_CLRSPC_UNKNOWN,
       {U, U, U}},
      {"HeaderBoxLongerThanTheFile",
       Bytes{0, 0, 0, 200, 'j', 'p', '2', 'h', 0, 0, 0, 15, 'c', 'o', 'l', 'r'},
       3,
       OPJ_CLRSPC_UNKNOWN,
       {U, U, U}},
  };
}

class Jp2HeaderTest : public testing::TestWithParam<THeaderCase> {};

TEST_P(Jp2HeaderTest, ReadsColourSpaceAndComponentTypes) {
  const THeaderCase& c = GetParam();
  const TColourDescription description = ReadJp2Colour(c.File, c.Components);
  EXPECT_EQ(description.ColorSpace, c.ColorSpace);
  EXPECT_EQ(description.ComponentTypes, c.Types);
}

INSTANTIATE_TEST_SUITE_P(Boxes, Jp2HeaderTest, testing::ValuesIn(HeaderCases()),
                         [](const auto& info) { return info.param.Name; });

TEST(Jp2HeaderTest, ACodestreamIsUndescribed) {
  const TColourDescription description = UndescribedColour(4);
  EXPECT_EQ(description.ColorSpace, OPJ_CLRSPC_UNKNOWN);
  EXPECT_EQ(description.ComponentTypes, std::vector<OPJ_COMPONENT_TYPE>(4, U));
}

TEST(BoxReaderTest, ReadsPlainExtendedAndToTheEndLengths) {
  Bytes extended{0, 0, 0, 1, 'x', 'l', 'b', 'x'};
  PutBigEndian(extended, 16 + 2, 8);
  extended.insert(extended.end(), {0xAB, 0xCD});
  const Bytes toEnd{0, 0, 0, 0, 'r', 'e', 's', 't', 1, 2, 3};
  const Bytes file = Concat({Box("abcd", {9}), extended, toEnd});

  TBoxReader reader(file);
  std::vector<std::pair<std::string, Bytes>> boxes;
  while (const auto box = reader.Next()) {
    boxes.emplace_back(std::string(box->Type.begin(), box->Type.end()),
                       Bytes(box->Payload.begin(), box->Payload.end()));
  }

  const std::vector<std::pair<std::string, Bytes>> expected{{"abcd", {9}}, {"xlbx", {0xAB, 0xCD}}, {"rest", {1, 2, 3}}};
  EXPECT_EQ(boxes, expected);
}

TEST(BoxReaderTest, StopsAtLengthsThatDoNotFit) {
  const Bytes cases[] = {
      {0, 0, 0, 7, 'a', 'b', 'c', 'd'},                          // shorter than its own header
      {0, 0, 0, 9, 'a', 'b', 'c', 'd'},                          // longer than the bytes
      {0, 0, 0, 1, 'a', 'b', 'c', 'd', 0, 0, 0},                 // extended length cut
      {0, 0, 0, 1, 'a', 'b', 'c', 'd', 0, 0, 0, 0, 0, 0, 0, 8},  // extended, shorter than its header
      {0, 0, 0, 8, 'a', 'b', 'c'},                               // header cut
  };
  for (const Bytes& bytes : cases) {
    TBoxReader reader(bytes);
    EXPECT_FALSE(reader.Next().has_value());
  }
}

}  // namespace
