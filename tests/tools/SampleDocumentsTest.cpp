// The sample documents kept in the repository: consistent with themselves,
// built as the C++ builders build them, and served whole by the chip.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include "ChipHarness.h"
#include "crypto/OpenSslPointers.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/Tlv.h"

namespace simchip::testing {
namespace {

struct TSample {
  const char* File;
  std::size_t MrzLength;  // 88 for TD3, 90 for TD1
  EImageDataType ImageType;
  const char* ImageSignature;  // first bytes of the picture
  bool HasDg11;
};

const std::vector<TSample> kSamples{
    {"icao-passport.zdoc", 88, EImageDataType::Jpeg2000, "0000000C6A5020200D0A870A", true},  // JP2 file
    {"icao-id-card.zdoc", 90, EImageDataType::Jpeg2000, "FF4FFF51", true},                   // J2K codestream
    {"jpeg-face-passport.zdoc", 88, EImageDataType::Jpeg, "FFD8FF", true},
    {"no-dg11-passport.zdoc", 88, EImageDataType::Jpeg2000, "0000000C6A5020200D0A870A", false},
};

TDocument Load(const TSample& sample) {
  return LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / sample.File);
}

int CheckDigit(std::string_view field) {
  static constexpr int kWeights[] = {7, 3, 1};
  int sum = 0;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    const int value = c == '<' ? 0 : (c >= '0' && c <= '9') ? c - '0' : c - 'A' + 10;
    sum += value * kWeights[i % 3];
  }
  return sum % 10;
}

std::string MrzOf(const TDocument& document) {
  const auto dg1 = ReadTlv(document.Lds.at(DataGroupFileId(1)));
  const auto mrz = ReadTlv(dg1->Value);
  return std::string(mrz->Value.begin(), mrz->Value.end());
}

// Document number, date of birth and date of expiry with their check digits,
// where TD3 and TD1 keep them (positions from 0, lines one after the other).
std::string MrzInformationOf(const std::string& mrz) {
  if (mrz.size() == 90) return mrz.substr(5, 10) + mrz.substr(30, 7) + mrz.substr(38, 7);
  return mrz.substr(44, 10) + mrz.substr(57, 7) + mrz.substr(65, 7);
}

TEST(SampleDocuments, MrzInformationMatchesDg1AndItsCheckDigits) {
  for (const auto& sample : kSamples) {
    SCOPED_TRACE(sample.File);
    const TDocument document = Load(sample);
    const std::string mrz = MrzOf(document);
    ASSERT_EQ(mrz.size(), sample.MrzLength);
    EXPECT_EQ(MrzInformationOf(mrz), document.MrzInformation);
    ASSERT_EQ(document.MrzInformation.size(), 24u);
    for (const auto& [start, length] : {std::pair{0, 9}, std::pair{10, 6}, std::pair{17, 6}})
      EXPECT_EQ(CheckDigit(document.MrzInformation.substr(start, length)) + '0',
                document.MrzInformation[start + length]);
  }
}

TEST(SampleDocuments, FilesAreWhatTheBuildersMake) {
  for (const auto& sample : kSamples) {
    SCOPED_TRACE(sample.File);
    const TDocument document = Load(sample);
    EXPECT_EQ(document.Lds.contains(DataGroupFileId(11)), sample.HasDg11);
    EXPECT_EQ(document.Lds.at(kEfComFileId), MakeEfComFor(document.Lds));
    EXPECT_EQ(document.Lds.at(DataGroupFileId(1)), MakeDg1(MrzOf(document)));

    // Take the picture and its facial record fields out of DG2 and build DG2 again.
    const TBytes& dg2 = document.Lds.at(DataGroupFileId(2));
    const TBytes dataBlockTag{0x5F, 0x2E};
    const std::size_t tag = static_cast<std::size_t>(
        std::search(dg2.begin(), dg2.end(), dataBlockTag.begin(), dataBlockTag.end()) - dg2.begin());
    ASSERT_LT(tag + 51, dg2.size());
    const auto record = std::span(dg2).subspan(tag + 5);
    TFaceImage face{TBytes(dg2.begin() + static_cast<std::ptrdiff_t>(tag + 51), dg2.end()),
                    static_cast<EImageDataType>(record[35]), static_cast<std::uint16_t>(record[36] << 8 | record[37]),
                    static_cast<std::uint16_t>(record[38] << 8 | record[39]), static_cast<EGender>(record[20])};
    EXPECT_EQ(face.Type, sample.ImageType);
    EXPECT_EQ(ToHex(std::span(face.Data).first(std::string_view(sample.ImageSignature).size() / 2)),
              sample.ImageSignature);
    EXPECT_GT(face.Data.size(), 5000u);
    EXPECT_LT(face.Data.size(), 20000u);
    EXPECT_EQ(MakeDg2(face), dg2);

    if (!sample.HasDg11) continue;
    const TBytes& dg11 = document.Lds.at(DataGroupFileId(11));
    const auto outer = ReadTlv(dg11);
    ASSERT_TRUE(outer);
    const auto tagList = ReadTlv(outer->Value);
    std::vector<TDg11Field> fields;
    for (std::size_t p = tagList->Size; p < outer->Value.size();) {
      const auto field = ReadTlv(outer->Value.subspan(p));
      ASSERT_TRUE(field);
      fields.emplace_back(field->Tag, std::string(field->Value.begin(), field->Value.end()));
      p += field->Size;
    }
    EXPECT_EQ(MakeDg11(fields), dg11);
    const bool someNonAscii = std::any_of(fields.begin(), fields.end(), [](const TDg11Field& f) {
      return std::any_of(f.second.begin(), f.second.end(),
                         [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    });
    EXPECT_TRUE(someNonAscii) << "the samples carry Turkish letters in UTF-8";
  }
}

TEST(SampleDocuments, ChipServesEveryFileAfterBac) {
  for (const auto& sample : kSamples) {
    SCOPED_TRACE(sample.File);
    const TDocument document = Load(sample);
    TSimulatedChip chip(document);
    TSimulatedReader reader;
    reader.InsertCard(chip);
    TScardContext context = 0;
    reader.EstablishContext(kScardScopeUser, context);
    TScardHandle handle = 0;
    std::uint32_t protocol = 0;
    ASSERT_EQ(
        reader.Connect(context, "Zelvan Virtual ACR122 00 00", kScardShareShared, kScardProtocolAny, handle, protocol),
        kScardSuccess);
    TBacTerminal terminal([&](std::span<const std::uint8_t> command) -> std::optional<TBytes> {
      std::vector<std::uint8_t> response(255);
      std::uint32_t length = 0;
      if (reader.Transmit(handle, protocol, command, response, length) != kScardSuccess) return std::nullopt;
      response.resize(length);
      return response;
    });
    ASSERT_EQ(terminal.SelectApplication().Status, kSwSuccess);
    ASSERT_EQ(terminal.Authenticate(document.MrzInformation).Status, kSwSuccess);
    for (const auto& [fileId, content] : document.Lds) EXPECT_EQ(terminal.ReadFile(fileId), content);
  }
}

// The chips' own keys: DG14 and DG15 carry the public halves of the private
// keys the document file gives the chip, with the protocols Chip and Active
// Authentication are to run (object identifiers of BSI TR-03110 and ICAO 9303-11).
struct TChipKeySample {
  const char* File;
  const char* CaProtocol;  // DER of the ChipAuthenticationInfo's OID; nullptr: no DG14
  const char* PkProtocol;  // DER of the ChipAuthenticationPublicKeyInfo's OID
  const char* CaKeyType;   // as EVP_PKEY_is_a names it
  const char* AaKeyType;   // DG15's key; nullptr: no DG15
  int AaBits;
  bool AaInfo;  // DG14 holds an ActiveAuthenticationInfo (ecdsa-with-SHA256)
};

constexpr const char* kIdCaDh3Des = "060A04007F00070202030101";
constexpr const char* kIdCaEcdh3Des = "060A04007F00070202030201";
constexpr const char* kIdCaEcdhAes128 = "060A04007F00070202030202";
constexpr const char* kIdPkDh = "060904007F000702020101";
constexpr const char* kIdPkEcdh = "060904007F000702020102";
constexpr const char* kActiveAuthenticationInfo = "3015060667810801010502010106082A8648CE3D040302";

const std::vector<TChipKeySample> kChipKeySamples{
    {"icao-passport.zdoc", kIdCaEcdhAes128, kIdPkEcdh, "EC", "RSA", 1024, false},
    {"icao-id-card.zdoc", kIdCaDh3Des, kIdPkDh, "DHX", "EC", 256, true},
    {"jpeg-face-passport.zdoc", kIdCaEcdh3Des, kIdPkEcdh, "EC", "RSA", 1536, false},
    {"no-dg11-passport.zdoc", nullptr, nullptr, nullptr, nullptr, 0, false},
};

TEvpPkeyPtr PublicKey(std::span<const std::uint8_t> spki) {
  const unsigned char* p = spki.data();
  return TEvpPkeyPtr(d2i_PUBKEY(nullptr, &p, static_cast<long>(spki.size())));
}

TEvpPkeyPtr PrivateKey(const TBytes& pkcs8) {
  const unsigned char* p = pkcs8.data();
  return TEvpPkeyPtr(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(pkcs8.size())));
}

// The elements of a SecurityInfos SET, each whole.
std::vector<std::span<const std::uint8_t>> SetElements(std::span<const std::uint8_t> encoding) {
  std::vector<std::span<const std::uint8_t>> infos;
  const auto set = ReadTlv(encoding);
  if (!set || set->Tag != 0x31) return infos;
  for (std::size_t p = 0; p < set->Value.size();) {
    const auto info = ReadTlv(set->Value.subspan(p));
    if (!info) break;
    infos.push_back(set->Value.subspan(p, info->Size));
    p += info->Size;
  }
  return infos;
}

// The elements of DG14's SecurityInfos SET, each whole.
std::vector<std::span<const std::uint8_t>> SecurityInfos(const TBytes& dg14) {
  const auto outer = ReadTlv(dg14);
  if (!outer || outer->Tag != 0x6E) return {};
  return SetElements(outer->Value);
}

TEST(SampleDocuments, Dg14AndDg15HoldThePublicHalvesOfTheChipsKeys) {
  for (const auto& sample : kChipKeySamples) {
    SCOPED_TRACE(sample.File);
    const TDocument document = LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / sample.File);
    EXPECT_TRUE(document.Lds.contains(kEfSodFileId));
    ASSERT_EQ(document.Lds.contains(DataGroupFileId(14)), sample.CaProtocol != nullptr);
    ASSERT_EQ(document.Lds.contains(DataGroupFileId(15)), sample.AaKeyType != nullptr);
    EXPECT_EQ(document.PrivateKeys.contains("chip-authentication"), sample.CaProtocol != nullptr);
    EXPECT_EQ(document.PrivateKeys.contains("active-authentication"), sample.AaKeyType != nullptr);
    if (sample.CaProtocol) {
      std::vector<std::string> infos;
      TEvpPkeyPtr caKey;
      for (const auto info : SecurityInfos(document.Lds.at(DataGroupFileId(14)))) {
        const std::string hex = ToHex(info);
        infos.push_back(hex);
        const auto sequence = ReadTlv(info);
        const auto protocol = ReadTlv(sequence->Value);
        if (ToHex(sequence->Value.first(protocol->Size)) == sample.PkProtocol)
          caKey = PublicKey(sequence->Value.subspan(protocol->Size));
      }
      // ChipAuthenticationInfo: the protocol (12 bytes for every id-CA-*) and version 1, no key id.
      const std::string caInfo = std::string("300F") + sample.CaProtocol + "020101";
      EXPECT_NE(std::find(infos.begin(), infos.end(), caInfo), infos.end());
      EXPECT_EQ(std::find(infos.begin(), infos.end(), kActiveAuthenticationInfo) != infos.end(), sample.AaInfo);
      EXPECT_EQ(infos.size(), sample.AaInfo ? 3u : 2u);
      ASSERT_TRUE(caKey) << "no ChipAuthenticationPublicKeyInfo with a readable key";
      EXPECT_TRUE(EVP_PKEY_is_a(caKey.get(), sample.CaKeyType));
      const TEvpPkeyPtr caPrivate = PrivateKey(document.PrivateKeys.at("chip-authentication"));
      ASSERT_TRUE(caPrivate);
      EXPECT_EQ(EVP_PKEY_eq(caKey.get(), caPrivate.get()), 1);
    }
    if (sample.AaKeyType) {
      const auto dg15 = ReadTlv(document.Lds.at(DataGroupFileId(15)));
      ASSERT_TRUE(dg15);
      EXPECT_EQ(dg15->Tag, 0x6F);
      const TEvpPkeyPtr aaKey = PublicKey(dg15->Value);
      ASSERT_TRUE(aaKey);
      EXPECT_TRUE(EVP_PKEY_is_a(aaKey.get(), sample.AaKeyType));
      EXPECT_EQ(EVP_PKEY_get_bits(aaKey.get()), sample.AaBits);
      const TEvpPkeyPtr aaPrivate = PrivateKey(document.PrivateKeys.at("active-authentication"));
      ASSERT_TRUE(aaPrivate);
      EXPECT_EQ(EVP_PKEY_eq(aaKey.get(), aaPrivate.get()), 1);
    }
  }
}

// EF.CardSecurity of the PACE-CAM passport and its negative copies, checked with OpenSSL's CMS: signed by
// the sample signer under the sample CSCA (but for the changed copy), content type id-SecurityObject, the
// PACEInfo of Chip Authentication Mapping and the public key of the chip's pace-cam key with key id 13
// (another key for the clone), and what EF.CardAccess offers beside what the signed files list.
struct TCardSecuritySample {
  const char* File;
  bool SignatureValid;
  bool KeyIsTheChips;
  bool OffersListed;  // every offer of EF.CardAccess is in EF.CardSecurity and DG14
};

const std::vector<TCardSecuritySample> kCardSecuritySamples{
    {"cam-passport.zdoc", true, true, true},
    {"negative/cam-clone.zdoc", true, false, true},
    {"negative/card-security-changed.zdoc", false, true, true},
    {"negative/card-access-downgraded.zdoc", true, true, false},
};

constexpr const char* kCamPaceInfo = "3012060A04007F0007020204060202010202010D";
constexpr const char* kIdSecurityObject = "04007F0007030201";

// The PACEInfo the document's pace line gives, as DER (the protocols the samples use).
std::string PaceInfoOf(const std::string& offer) {
  static const std::map<std::string, std::string> kOids{
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-128:13", "04007F00070202040202"},
      {"id-PACE-ECDH-CAM-AES-CBC-CMAC-128:13", "04007F00070202040602"}};
  return "3012060A" + kOids.at(offer) + "0201020201" + "0D";
}

TEST(SampleDocuments, CardSecurityOfThePaceCamPassport) {
  TBioPtr cscaFile(BIO_new_file((std::string(ZELVAN_SAMPLES_DIR) + "/trust/utopia-sample-csca.pem").c_str(), "r"));
  ASSERT_TRUE(cscaFile);
  const TX509Ptr csca(PEM_read_bio_X509(cscaFile.get(), nullptr, nullptr, nullptr));
  ASSERT_TRUE(csca);
  for (const auto& sample : kCardSecuritySamples) {
    SCOPED_TRACE(sample.File);
    const TDocument document = LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / sample.File);
    ASSERT_FALSE(document.CardSecurity.empty());
    TBioPtr in(BIO_new_mem_buf(document.CardSecurity.data(), static_cast<int>(document.CardSecurity.size())));
    const TCmsPtr cms(d2i_CMS_bio(in.get(), nullptr));
    ASSERT_TRUE(cms);
    const ASN1_OBJECT* type = CMS_get0_eContentType(cms.get());
    EXPECT_EQ(ToHex(std::span(OBJ_get0_data(type), OBJ_length(type))), kIdSecurityObject);
    TX509StorePtr store(X509_STORE_new());
    X509_STORE_add_cert(store.get(), csca.get());
    X509_VERIFY_PARAM_set_purpose(X509_STORE_get0_param(store.get()), X509_PURPOSE_ANY);
    TBioPtr content(BIO_new(BIO_s_mem()));
    const bool verified = CMS_verify(cms.get(), nullptr, store.get(), nullptr, content.get(), CMS_BINARY) == 1;
    EXPECT_EQ(verified, sample.SignatureValid);
    ERR_clear_error();
    ASN1_OCTET_STRING* const* signedContent = CMS_get0_content(cms.get());
    ASSERT_TRUE(signedContent && *signedContent);
    const TBytes infosDer(ASN1_STRING_get0_data(*signedContent),
                          ASN1_STRING_get0_data(*signedContent) + ASN1_STRING_length(*signedContent));

    std::vector<std::string> listed;
    TEvpPkeyPtr camKey;
    for (const auto info : SetElements(infosDer)) {
      listed.push_back(ToHex(info));
      const auto sequence = ReadTlv(info);
      const auto protocol = ReadTlv(sequence->Value);
      if (ToHex(sequence->Value.first(protocol->Size)) != kIdPkEcdh) continue;
      const auto key = ReadTlv(sequence->Value.subspan(protocol->Size));
      const auto keyId = ReadTlv(sequence->Value.subspan(protocol->Size + key->Size));
      ASSERT_TRUE(keyId);
      EXPECT_EQ(ToHex(keyId->Value), "0D") << "the key id is the PACEInfo's parameter id";
      camKey = PublicKey(sequence->Value.subspan(protocol->Size, key->Size));
    }
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_NE(std::find(listed.begin(), listed.end(), kCamPaceInfo), listed.end());
    ASSERT_TRUE(camKey);
    const TEvpPkeyPtr chipKey = PrivateKey(document.PrivateKeys.at("pace-cam"));
    ASSERT_TRUE(chipKey);
    EXPECT_EQ(EVP_PKEY_eq(camKey.get(), chipKey.get()) == 1, sample.KeyIsTheChips);

    std::vector<std::string> inDg14;
    for (const auto info : SecurityInfos(document.Lds.at(DataGroupFileId(14)))) inDg14.push_back(ToHex(info));
    EXPECT_EQ(inDg14, std::vector<std::string>{kCamPaceInfo});
    ASSERT_FALSE(document.PaceOffers.empty());
    const bool offersListed = std::ranges::all_of(document.PaceOffers, [&](const std::string& offer) {
      return std::ranges::count(listed, PaceInfoOf(offer)) == 1 && std::ranges::count(inDg14, PaceInfoOf(offer)) == 1;
    });
    EXPECT_EQ(offersListed, sample.OffersListed);
  }
}

}  // namespace
}  // namespace simchip::testing
