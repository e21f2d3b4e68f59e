// BER-TLV lengths, the LDS file builders, document files and the ATR.

#include <gtest/gtest.h>

#include "ChipHarness.h"
#include "tools/simchip/Atr.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/Tlv.h"

namespace simchip::testing {
namespace {

TEST(Tlv, LengthForms) {
  const std::vector<std::tuple<std::size_t, ELengthForm, std::string>> cases{
      {0, ELengthForm::Shortest, "00"},         {0x7F, ELengthForm::Shortest, "7F"},
      {0x80, ELengthForm::Shortest, "8180"},    {0xFF, ELengthForm::Shortest, "81FF"},
      {0x100, ELengthForm::Shortest, "820100"}, {0xFFFF, ELengthForm::Shortest, "82FFFF"},
      {5, ELengthForm::Long82, "820005"},
  };
  for (const auto& [length, form, expected] : cases) {
    TBytes encoded;
    AppendLength(encoded, length, form);
    EXPECT_EQ(ToHex(encoded), expected);
    // Read back inside an object with a two-byte tag.
    const TBytes object = MakeTlv(0x5F2E, TBytes(length, 0x11), form);
    const auto read = ReadTlv(object);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Tag, 0x5F2E);
    EXPECT_EQ(read->Value.size(), length);
    EXPECT_EQ(read->Size, object.size());
  }
  TBytes tooLong;
  EXPECT_THROW(AppendLength(tooLong, 0x10000), std::length_error);
}

TEST(Tlv, IncompleteObjectsAreNotRead) {
  for (const char* bytes : {"", "5F", "5F2E", "8702", "870201", "8183", "8A800000", "83830000000000"})
    EXPECT_FALSE(ReadTlv(Hex(bytes))) << bytes;
}

TEST(LdsBuilder, Dg1AndDg11Headers) {
  EXPECT_EQ(ToHex(MakeDg1(kSpecimenMrz)).substr(0, 10), "615B5F1F58");  // 88 characters, 93 bytes in all
  EXPECT_EQ(MakeDg1(kSpecimenMrz).size(), 93u);
  EXPECT_EQ(ToHex(MakeDg1(std::string(90, '<'))).substr(0, 10), "615D5F1F5A");

  const TBytes dg11 = MakeDg11({{0x5F0E, "ERIKSSON<<ANNA<MARIA"}, {0x5F11, "İSTANBUL"}});
  const auto outer = ReadTlv(dg11);
  ASSERT_TRUE(outer);
  EXPECT_EQ(outer->Tag, 0x6B);
  const auto tagList = ReadTlv(outer->Value);
  ASSERT_TRUE(tagList);
  EXPECT_EQ(ToHex(tagList->Value), "5F0E5F11");
  const auto fullName = ReadTlv(outer->Value.subspan(tagList->Size));
  const auto place = ReadTlv(outer->Value.subspan(tagList->Size + fullName->Size));
  ASSERT_TRUE(place);
  EXPECT_EQ(std::string(place->Value.begin(), place->Value.end()), "İSTANBUL");
  EXPECT_EQ(place->Value.size(), 9u);  // İ takes two bytes in UTF-8
}

TEST(LdsBuilder, Dg2CarriesTheFacialRecordAfterA49ByteSkip) {
  for (const std::size_t imageSize : {16u, 300u, 15000u}) {
    TFaceImage face{TBytes(imageSize, 0x42), EImageDataType::Jpeg2000, 240, 320, EGender::Female};
    const TBytes dg2 = MakeDg2(face);
    EXPECT_EQ(dg2[0], 0x75);
    const TBytes dataBlockTag{0x5F, 0x2E};
    const auto block = std::search(dg2.begin(), dg2.end(), dataBlockTag.begin(), dataBlockTag.end());
    ASSERT_NE(block, dg2.end());
    const std::size_t tag = static_cast<std::size_t>(block - dg2.begin());
    EXPECT_EQ(dg2[tag + 2], 0x82) << "the data block's length always takes 82 LL LL";
    const std::size_t recordSize = 14 + 20 + 12 + imageSize;
    EXPECT_EQ(static_cast<std::size_t>(dg2[tag + 3] << 8 | dg2[tag + 4]), recordSize);
    EXPECT_EQ(dg2.size(), tag + 5 + recordSize);

    const auto record = std::span(dg2).subspan(tag + 5);
    EXPECT_EQ(ToHex(record.first(8)), "4641430030313000") << "FAC 0, version 010 0";
    EXPECT_EQ(static_cast<std::size_t>(record[8] << 24 | record[9] << 16 | record[10] << 8 | record[11]), recordSize);
    EXPECT_EQ(record[13], 1) << "one face";
    EXPECT_EQ(static_cast<std::size_t>(record[14] << 24 | record[15] << 16 | record[16] << 8 | record[17]),
              recordSize - 14);
    EXPECT_EQ(record[18] << 8 | record[19], 0) << "no feature points";
    EXPECT_EQ(record[20], 2) << "female";
    EXPECT_EQ(record[35], 1) << "image data type JPEG 2000";
    EXPECT_EQ(record[36] << 8 | record[37], 240);
    EXPECT_EQ(record[38] << 8 | record[39], 320);
    EXPECT_EQ(tag + 2 + 49, dg2.size() - imageSize) << "the image starts 49 bytes after the tag";
  }
}

TEST(DocumentFile, FormatsAndParsesBack) {
  TDocument document{"A test card",
                     kSpecimenMrzInformation,
                     SmallLds(),
                     {{"chip-authentication", TBytes(40, 0x5A)}},
                     {"id-PACE-ECDH-GM-AES-CBC-CMAC-128:13", "id-PACE-DH-GM-3DES-CBC-CBC:0"},
                     "123456",
                     Hex("3182010A")};
  const std::string text = FormatDocument(document);
  const TDocument back = ParseDocument(text);
  EXPECT_EQ(back.Label, document.Label);
  EXPECT_EQ(back.MrzInformation, document.MrzInformation);
  EXPECT_EQ(back.Lds, document.Lds);
  EXPECT_EQ(back.PrivateKeys, document.PrivateKeys);
  EXPECT_EQ(back.PaceOffers, document.PaceOffers);
  EXPECT_EQ(back.Can, "123456");
  EXPECT_EQ(ToHex(back.CardSecurity), "3182010A");
  // Comments, blank lines, CR LF line ends and lower-case digits are accepted.
  const TDocument loose =
      ParseDocument("# card\r\n\r\nzelvan-document 1\r\nmrz-information X\r\nfile 011e\r\n60 01\r\nff\r\n");
  EXPECT_EQ(ToHex(loose.Lds.at(kEfComFileId)), "6001FF");
}

TEST(DocumentFile, RejectsMalformedFiles) {
  const std::vector<std::string> cases{
      "",
      "zelvan-document 2\nmrz-information X\n",
      "zelvan-document 1\nfile 011E\n00\n",            // no MRZ information
      "zelvan-document 1\nmrz-information X\n6001\n",  // data before a file line
      "zelvan-document 1\nmrz-information X\nfile 11E\n",
      "zelvan-document 1\nmrz-information X\nfile 011E\n600\n",
      "zelvan-document 1\nmrz-information X\nfile 011E\nfile 011E\n",
      "zelvan-document 1\nmrz-information X\nbogus line\n",
      "zelvan-document 1\nmrz-information X\nprivate-key\n00\n",  // a key without a name
      "zelvan-document 1\nmrz-information X\nprivate-key a\nprivate-key a\n",
      "zelvan-document 1\nmrz-information X\npace id-PACE-ECDH-GM-AES-CBC-CMAC-128\n",  // no parameter id
      "zelvan-document 1\nmrz-information X\ncan 12345A\n",                             // a CAN is digits
      "zelvan-document 1\nmrz-information X\ncan\n",
      "zelvan-document 1\nmrz-information X\ncard-security\n31\ncard-security\n00\n",
  };
  for (const auto& text : cases) EXPECT_THROW(ParseDocument(text), std::runtime_error) << text;
  EXPECT_THROW(LoadDocumentFile("no/such/file.zdoc"), std::runtime_error);
}

TEST(Atr, ContactlessCardAsPcscBuildsIt) {
  const TBytes atr = ContactlessAtr();
  ASSERT_EQ(atr.size(), 4u + 8u + 1u);
  EXPECT_EQ(ToHex(std::span(atr).first(4)), "3B888001");
  std::uint8_t check = 0;
  for (std::size_t i = 1; i < atr.size(); ++i) check ^= atr[i];
  EXPECT_EQ(check, 0) << "TCK makes the exclusive-or of T0 to TCK zero";
}

}  // namespace
}  // namespace simchip::testing
