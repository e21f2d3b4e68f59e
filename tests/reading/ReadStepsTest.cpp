// The read sequence's data group steps against a simulated chip in a
// simulated reader, read without Basic Access Control.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <QDate>
#include <QLocale>

#include "card/CardSession.h"
#include "document/FaceBytes.h"
#include "document/Fixtures.h"
#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "passiveauth/DocumentEvidence.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "reading/ReadSteps.h"
#include "support/FakePiccView.h"
#include "support/PaceVectors.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"
#include "trust/TrustStore.h"

namespace {

constexpr std::uint16_t kDG1File = 0x0101;
constexpr std::uint16_t kDG2File = 0x0102;
constexpr std::uint16_t kDG11File = 0x010B;
const TBytes kSelectApplication{0x00, 0xA4, 0x04, 0x0C, 0x07, 0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01};

const std::string kIcaoMrz = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";

TBytes DG1(std::string_view mrz) { return Tlv({0x61}, Tlv({0x5F, 0x1F}, Ascii(mrz))); }
TBytes Field(std::uint8_t tag, std::string_view value) { return Tlv({0x5F, tag}, Ascii(value)); }

class StepTest : public ::testing::Test {
protected:
  StepTest() {
    inputs_.DateOfBirth = {1969, 8, 6};
    inputs_.PictureWanted = true;
  }

  void SetUp() override {
    ResetReaderLink();
    SetPcscApi(&reader_);
    ReaderLink().DiscoverReader();
  }

  void TearDown() override {
    reader_.RemoveCard();
    ResetReaderLink();
    SetPcscApi(nullptr);
  }

  // Puts a chip with these files on the reader, connects and selects the application.
  void Insert(simchip::TLds files) {
    reader_.RemoveCard();
    simchip::TChipOptions plainReads;
    plainReads.RequireBac = false;
    chip_.emplace(std::move(files), std::string(), plainReads);
    reader_.InsertCard(*chip_);
    ASSERT_EQ(ReaderLink().ConnectCard(), kScardSuccess);
    ASSERT_EQ(chip_->Transmit(kSelectApplication).Answer, (TBytes{0x90, 0x00}));
    view_.Lines.clear();
  }

  void Prefill(const TBytes& bytes) {
    stream_.Write(bytes);
    stream_.Rewind();
  }

  // The last n log lines.
  std::vector<TLoggedLine> Tail(std::size_t n) const {
    const auto& lines = view_.Lines;
    return {lines.end() - static_cast<std::ptrdiff_t>(std::min(n, lines.size())), lines.end()};
  }

  simchip::TSimulatedReader reader_;
  std::optional<simchip::TSimulatedChip> chip_;
  TFakePiccView view_;
  TReadInputs inputs_;
  // The chip is read without BAC: a session without secure messaging.
  tMRTD_CTX session_{};
  TJpeg2000Bitmap bitmap_;
  TShownFace shown_;
  const TTrustStore trust_;
  const TReadState kept_{session_, bitmap_, shown_, trust_};
  TReading reading_{inputs_, kept_, view_};
  TMemoryStream& stream_ = reading_.Stream;
  TCalendarDate& birthDate_ = inputs_.DateOfBirth;
  bool& wantPicture_ = inputs_.PictureWanted;
};

using EFComStepTest = StepTest;

TEST_F(EFComStepTest, ThreeLines) {
  TEFComBuffer read{};
  const TBytes file = Concat({{0x60, 0x16, 0x5F, 0x01, 0x04},
                              Ascii("0107"),
                              {0x5F, 0x36, 0x06},
                              Ascii("040000"),
                              {0x5C, 0x03, 0x61, 0x75, 0x6B}});
  std::copy(file.begin(), file.end(), read.begin());
  const std::vector<std::pair<TEFComBuffer, std::vector<TLoggedLine>>> cases{
      {TEFComBuffer{},
       {{"LDS Ver.:           ", lkProtocol}, {"Unicode Ver.:           ", lkProtocol}, {"DataGroups : ", lkProtocol}}},
      {read,
       {{"LDS Ver.: 01.07     ", lkProtocol},
        {"Unicode Ver.: 04.00.00  ", lkProtocol},
        {"DataGroups : DG1,DG2,DG11", lkProtocol}}},
  };
  for (const auto& [buffer, lines] : cases) {
    view_.Lines.clear();
    reading_.Document.Com.Bytes.assign(buffer.begin(), buffer.end());
    ListEfCom(reading_);
    EXPECT_EQ(view_.Lines, lines);
  }
}

// A date as the window shows it.
std::string PickedDate(const TCalendarDate& date) {
  return QLocale::system().toString(QDate(date.Year, date.Month, date.Day), QLocale::ShortFormat).toStdString();
}

using DG1StepTest = StepTest;

TEST_F(DG1StepTest, LogsTheMrzNamesTheDocumentAndFillsItsEditsInOrder) {
  Insert({{kDG1File, DG1(kIcaoMrz)}});
  Prefill(DG1(std::string(88, 'X')));  // an older DG1: the chip's must replace it
  ReadDg1(reading_);

  EXPECT_EQ(Tail(2), (std::vector<TLoggedLine>{{"MRZ: " + kIcaoMrz, lkProtocol}, {"L898902C3", -1}}));
  const std::vector<TResultEdit> order{TResultEdit::Cinsiyeti, TResultEdit::VatandNo, TResultEdit::BelgeTipi,
                                       TResultEdit::Uyrugu,    TResultEdit::Soyadi1,  TResultEdit::Adi1,
                                       TResultEdit::BelgeNo,   TResultEdit::GecTar2};
  EXPECT_EQ(view_.FieldWrites, order);
  const std::map<TResultEdit, std::string> fields{
      {TResultEdit::Cinsiyeti, "F"},       {TResultEdit::VatandNo, "ZE184226B"},
      {TResultEdit::BelgeTipi, "P"},       {TResultEdit::Uyrugu, "UTO"},
      {TResultEdit::Soyadi1, "ERIKSSON"},  {TResultEdit::Adi1, "ANNA MARIA"},
      {TResultEdit::BelgeNo, "L898902C3"}, {TResultEdit::GecTar2, PickedDate({2012, 4, 15})}};
  EXPECT_EQ(view_.Fields, fields);
  // The window hears which document this is before any of its fields.
  EXPECT_EQ(view_.Documents, std::vector<std::string>{"L898902C3/UTO"});
}

TEST_F(DG1StepTest, EightBitTextIsShownAsUnicode) {
  // A TD1 card whose surname holds the code page's dotted capital I (0xDD).
  const std::string lines12 = "I<TURA12B34567812345678901<<<<8001014M3001017TUR<<<<<<<<<<<6";
  const std::string line3 = std::string("\xDDNCE<<AYSE") + std::string(20, '<');
  const std::string mrz = lines12 + line3;
  ASSERT_EQ(mrz.size(), 90u);
  Insert({{kDG1File, DG1(mrz)}});
  ReadDg1(reading_);
  ASSERT_EQ(Tail(2).size(), 2u);
  EXPECT_EQ(Tail(2)[0].Text, "MRZ: " + lines12 + "\xC4\xB0" + line3.substr(1));
  EXPECT_EQ(view_.Fields[TResultEdit::Soyadi1], "\xC4\xB0NCE");
  EXPECT_EQ(view_.Fields[TResultEdit::VatandNo], "12345678901");
  EXPECT_EQ(view_.Fields[TResultEdit::Cinsiyeti], "M");
}

TEST_F(DG1StepTest, OtherTagsGiveEmptyFields) {
  Insert({{kDG1File, Tlv({0x61}, Tlv({0x5F, 0x1E}, Ascii(kIcaoMrz)))}});
  ReadDg1(reading_);
  EXPECT_EQ(Tail(2), (std::vector<TLoggedLine>{{"MRZ: ", lkProtocol}, {"", -1}}));
  EXPECT_EQ(view_.FieldWrites.size(), 8u);
  for (const auto& [edit, text] : view_.Fields) EXPECT_EQ(text, "");
}

TEST_F(DG1StepTest, NoDG1RaisesTheStreamError) {
  Insert({{kDG11File, Tlv({0x6B}, Field(0x11, "ANKARA"))}});
  EXPECT_THROW(ReadDg1(reading_), EReadError);
  EXPECT_TRUE(view_.FieldWrites.empty());
}

TEST_F(DG1StepTest, DataGroupCutOffPartWayShowsNoMrzAndRaisesTheStreamError) {
  // The MRZ lies whole in the first piece; the card goes before the second.
  const TBytes dg1 = Tlv({0x61}, Concat({Tlv({0x5F, 0x1F}, Ascii(kIcaoMrz)), Tlv({0x53}, TBytes(30, 0x20))}));
  ASSERT_GT(dg1.size(), 100u);
  Insert({{kDG1File, dg1}});
  chip_->AddFault(simchip::TFault::CardRemoved(4));  // SELECT, size, first piece, second piece
  EXPECT_THROW(ReadDg1(reading_), EReadError);
  EXPECT_TRUE(view_.FieldWrites.empty());
  EXPECT_EQ(view_.Texts().back(), "MrtdReadFileEx connection error.");
}

using DG11StepTest = StepTest;

std::vector<TLoggedLine> DG11Lines(const std::vector<std::string>& values) {
  const std::vector<std::string> labels{"FullName: ",  "PersonalNumber: ", "PlaceOfBirth: ", "Address: ",
                                        "Telephone: ", "Profession: ",     "Title: ",        "PersonalSummary: "};
  std::vector<TLoggedLine> lines;
  for (std::size_t i = 0; i < labels.size(); ++i) lines.push_back({labels[i] + values[i], lkProtocol});
  return lines;
}

TEST_F(DG11StepTest, FillsItsEditsAndLogsEightLines) {
  const TBytes dg11 =
      Tlv({0x6B}, Concat({Tlv({0x5C}, {0x5F, 0x0E, 0x5F, 0x10}),
                          Field(0x0E,
                                "\xC3\x96ZT\xC3\x9CRK<<AY\xC5\x9E"
                                "E"),
                          Field(0x10,
                                "\xC3\x87"
                                "12345"),
                          Field(0x11, "\xC4\xB0ZM\xC4\xB0R"), Field(0x42, "ALSANCAK MAH."), Field(0x12, "+90 232"),
                          Field(0x13, "M\xC3\x9CHEND\xC4\xB0S"), Field(0x14, "DR"), Field(0x15, "")}));
  Insert({{kDG1File, DG1(kIcaoMrz)}, {kDG11File, dg11}});
  Prefill(DG1(kIcaoMrz));
  birthDate_ = {1984, 11, 23};
  ReadDg11(reading_);

  EXPECT_EQ(Tail(8),
            DG11Lines({"\xC3\x96ZT\xC3\x9CRK<<AY\xC5\x9E"
                       "E",
                       "\xC3\x87"
                       "12345",
                       "\xC4\xB0ZM\xC4\xB0R", "ALSANCAK MAH.", "+90 232", "M\xC3\x9CHEND\xC4\xB0S", "DR", ""}));
  EXPECT_EQ(view_.FieldWrites, (std::vector<TResultEdit>{TResultEdit::DogYeri, TResultEdit::Adres, TResultEdit::DogTar2,
                                                         TResultEdit::Meslek, TResultEdit::Unvan, TResultEdit::Soyadi2,
                                                         TResultEdit::Adi2}));
  EXPECT_EQ(view_.Fields[TResultEdit::Unvan], "DR");
  EXPECT_EQ(view_.Fields[TResultEdit::Soyadi2], "\xC3\x96ZT\xC3\x9CRK");
  EXPECT_EQ(view_.Fields[TResultEdit::Adi2],
            "AY\xC5\x9E"
            "E");
  EXPECT_EQ(view_.Fields[TResultEdit::DogYeri], "\xC4\xB0ZM\xC4\xB0R");
  EXPECT_EQ(view_.Fields[TResultEdit::Adres], "ALSANCAK MAH.");
  EXPECT_EQ(view_.Fields[TResultEdit::Meslek], "M\xC3\x9CHEND\xC4\xB0S");
  const std::string date = PickedDate(birthDate_);
  EXPECT_NE(date.find("84"), std::string::npos) << date;
  EXPECT_EQ(view_.Fields[TResultEdit::DogTar2], date);
}

TEST_F(DG11StepTest, MissingDG11GivesBareLabelsAndEmptiedEdits) {
  Insert({{kDG1File, DG1(kIcaoMrz)}});
  Prefill(DG1(kIcaoMrz));
  view_.Fields[TResultEdit::DogYeri] = "OLD";
  ReadDg11(reading_);
  EXPECT_EQ(Tail(8), DG11Lines(std::vector<std::string>(8)));
  EXPECT_EQ(view_.Fields[TResultEdit::DogYeri], "");
  EXPECT_EQ(view_.Fields[TResultEdit::Adres], "");
  EXPECT_EQ(view_.Fields[TResultEdit::Meslek], "");
  EXPECT_EQ(view_.Fields[TResultEdit::DogTar2], PickedDate(birthDate_));
}

TEST_F(DG11StepTest, ValuePastTheEndRaisesBeforeAnyOutput) {
  Insert({{kDG11File, {0x6B, 0x07, 0x5F, 0x0E, 0x7F, 'A', 'B', 'C', 'D'}}});
  EXPECT_THROW(ReadDg11(reading_), EReadError);
  EXPECT_TRUE(view_.FieldWrites.empty());
  for (const TLoggedLine& line : view_.Lines) EXPECT_EQ(line.Text.find("FullName: "), std::string::npos);
}

TEST_F(DG11StepTest, DataGroupCutOffPartWayIsNotDecoded) {
  // The first piece ends right after a whole field; the card goes before the second.
  const TBytes tagList = Tlv({0x5C}, {0x5F, 0x11});
  const std::string place = std::string(100 - 2 - tagList.size() - 3 - 5, '<') + "IZMIR";
  const TBytes dg11 = Tlv({0x6B}, Concat({tagList, Field(0x11, place), Field(0x42, "ALSANCAK MAH.")}));
  ASSERT_GT(dg11.size(), 100u);
  Insert({{kDG1File, DG1(kIcaoMrz)}, {kDG11File, dg11}});
  Prefill(DG1(kIcaoMrz));
  chip_->AddFault(simchip::TFault::CardRemoved(4));  // SELECT, size, first piece, second piece
  ReadDg11(reading_);
  EXPECT_EQ(Tail(9).front().Text, "MrtdReadFileEx connection error.");
  EXPECT_EQ(Tail(8), DG11Lines(std::vector<std::string>(8)));
  EXPECT_EQ(view_.Fields[TResultEdit::DogYeri], "");
  EXPECT_EQ(view_.Fields[TResultEdit::Adres], "");
}

class PictureStepTest : public StepTest {
protected:
  const QImage face_ = FixturePicture("face.ppm");
};

TEST_F(PictureStepTest, NotWantedReadsAndShowsNothing) {
  Insert({{kDG2File, DG2(FacialRecord(Fixture("face.jp2")))}});
  Prefill(DG1(kIcaoMrz));
  wantPicture_ = false;
  reader_.ClearSentCommands();
  ReadDg2(reading_);
  EXPECT_TRUE(reader_.SentCommands().empty());
  EXPECT_TRUE(view_.Lines.empty());
  EXPECT_EQ(view_.PicturesShown, 0);
  EXPECT_TRUE(bitmap_.Image().isNull());
}

TEST_F(PictureStepTest, ShowsTheFaceOfEachReadingAndTheLastOneWhenNoneComes) {
  const TBytes jpeg = JpegOf(face_);
  const QImage jpegFace = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
  ASSERT_FALSE(jpegFace.isNull());
  const std::optional<TBytes> noDG2;
  struct TReading {
    const char* Name;
    std::optional<TBytes> DG2;
    QImage Shown;
  };
  const std::vector<TReading> readings{
      {"first reading, no DG2: empty picture", noDG2, QImage()},
      {"JPEG 2000 face", DG2(FacialRecord(Fixture("face.jp2"))), face_},
      {"no DG2: the JPEG 2000 face again", noDG2, face_},
      {"JPEG face", DG2(FacialRecord(jpeg, kImageDataJpeg)), jpegFace},
      {"no DG2: the JPEG face again", noDG2, jpegFace},
      {"a grey JPEG 2000 face", DG2(FacialRecord(Fixture("small.j2k"))), FixturePicture("small.pgm")},
  };
  int shownBefore = 0;
  for (const TReading& reading : readings) {
    simchip::TLds files{{kDG1File, DG1(kIcaoMrz)}};
    if (reading.DG2) files[kDG2File] = *reading.DG2;
    Insert(files);
    stream_.Clear();
    Prefill(DG1(kIcaoMrz));
    ReadDg2(reading_);
    EXPECT_EQ(view_.PicturesShown, shownBefore + 1) << reading.Name;
    shownBefore = view_.PicturesShown;
    const QImage shown = view_.Picture.isNull() ? QImage() : view_.Picture.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, reading.Shown.isNull() ? QImage() : reading.Shown.convertToFormat(QImage::Format_RGB32))
        << reading.Name;
  }
}

TEST_F(PictureStepTest, UndecodableFaceShowsNothingAndRaises) {
  Insert({{kDG2File, DG2(FacialRecord(Ascii("NOT A PICTURE AT ALL")))}});
  Prefill(DG1(kIcaoMrz));
  try {
    ReadDg2(reading_);
    ADD_FAILURE() << "no error";
  } catch (const EJpeg2000Error& error) {
    EXPECT_EQ(std::string(error.what()), "Unknown JPEG 2000 file type");
  }
  EXPECT_EQ(view_.PicturesShown, 0);
}

TEST_F(PictureStepTest, FaceCutOffPartWayIsNotShown) {
  // A whole JPEG 2000 face first; then a JPEG face whose reading stops after two pieces.
  Insert({{kDG2File, DG2(FacialRecord(Fixture("face.jp2")))}});
  Prefill(DG1(kIcaoMrz));
  ReadDg2(reading_);
  ASSERT_EQ(view_.Picture.convertToFormat(QImage::Format_RGB32), face_.convertToFormat(QImage::Format_RGB32));

  const TBytes jpegDG2 = DG2(FacialRecord(JpegOf(face_), kImageDataJpeg));
  ASSERT_GT(jpegDG2.size(), 300u);
  Insert({{kDG2File, jpegDG2}});
  stream_.Clear();
  Prefill(DG1(kIcaoMrz));
  chip_->AddFault(simchip::TFault::CardRemoved(5));  // SELECT, size, two pieces, the third
  ReadDg2(reading_);
  EXPECT_EQ(view_.Texts().back(), "MrtdReadFileEx connection error.");
  EXPECT_EQ(view_.PicturesShown, 2);
  EXPECT_EQ(view_.Picture.convertToFormat(QImage::Format_RGB32), face_.convertToFormat(QImage::Format_RGB32))
      << "the face shown before, not the part that came";
}

using DocumentRecordTest = StepTest;

// How each data group step records its file in the document: the bytes that
// came and why none did; a file cut off part way is kept as such and never decoded.
TEST_F(DocumentRecordTest, EachReadingEndIsRecordedAsItHappened) {
  const TBytes tagList = Tlv({0x5C}, {0x5F, 0x11});
  const TBytes dg11 = Tlv({0x6B}, Concat({tagList, Field(0x11, std::string(120, '<') + "IZMIR")}));
  ASSERT_GT(dg11.size(), 100u);
  struct TCase {
    const char* Name;
    bool OnChip;
    std::optional<simchip::TFault> Fault;
    TFileState State;
    std::size_t BytesKept;
    bool Decoded;
  };
  const std::vector<TCase> cases{
      {"whole", true, std::nullopt, TFileState::Read, dg11.size(), true},
      {"not on the chip", false, std::nullopt, TFileState::Absent, 0, false},
      {"SELECT refused", true, simchip::TFault::StatusWord(1, 0x6982), TFileState::Refused, 0, false},
      {"card gone at the SELECT", true, simchip::TFault::CardRemoved(1), TFileState::LinkLost, 0, false},
      {"card gone after the first piece", true, simchip::TFault::CardRemoved(4), TFileState::CutOff, 100, false},
  };
  for (const TCase& c : cases) {
    simchip::TLds files{{kDG1File, DG1(kIcaoMrz)}};
    if (c.OnChip) files[kDG11File] = dg11;
    Insert(files);
    if (c.Fault) chip_->AddFault(*c.Fault);
    reading_.Document = TDocument{};
    stream_.Clear();
    Prefill(DG1(kIcaoMrz));
    ReadDg11(reading_);
    const TFileRead& file = reading_.Document.DataGroups.at(11);
    EXPECT_EQ(file.State, c.State) << c.Name;
    EXPECT_EQ(file.Bytes.size(), c.BytesKept) << c.Name;
    EXPECT_TRUE(std::equal(file.Bytes.begin(), file.Bytes.end(), dg11.begin())) << c.Name << ": a prefix of DG11";
    EXPECT_EQ(reading_.Document.Dg11.has_value(), c.Decoded) << c.Name;
    // Whatever the document holds, the window shows only what came whole.
    EXPECT_EQ(view_.Fields[TResultEdit::DogYeri], c.Decoded ? std::string(120, '<') + "IZMIR" : "") << c.Name;
  }
}

TEST_F(DocumentRecordTest, Dg1DecodedOnceFeedsTheBoxesAndTheIssuingState) {
  Insert({{kDG1File, DG1(kIcaoMrz)}});
  ReadDg1(reading_);
  TDocument& document = reading_.Document;
  ASSERT_TRUE(document.Dg1.has_value());
  EXPECT_EQ(document.DataGroups.at(1).Bytes, DG1(kIcaoMrz));
  EXPECT_EQ(view_.Fields[TResultEdit::Uyrugu], "UTO");
  EXPECT_EQ(EvidenceOf(document).IssuingState, "UTO");
  // Passive Authentication takes the state from the decoded DG1, not from its bytes again.
  document.Dg1->IssuingState = "D<<";
  EXPECT_EQ(EvidenceOf(document).IssuingState, "D<<");
  EXPECT_EQ(EvidenceOf(document).DataGroups.at(1), DG1(kIcaoMrz));
}

using ChipAuthenticationStepTest = StepTest;

// After a passed PACE-CAM, DG14 is read and decoded for what it signs, but its
// Chip Authentication is not run; without PACE-CAM it is, and the simulated
// chip, which holds no key for it, does not pass it.
TEST_F(ChipAuthenticationStepTest, Dg14IsReadButNotRunAgainAfterPaceCamPassed) {
  const TBytes dg14 = PaceVectors("chipauth-vectors.txt", "gmrtd-my-ca-ecdh-3des").Bytes("dg14");
  for (const bool camPassed : {true, false}) {
    SCOPED_TRACE(camPassed ? "after PACE-CAM" : "without PACE-CAM");
    Insert({{0x010E, dg14}});
    reading_.Document = TDocument{};
    reading_.OnlyInSod = {14};
    reading_.Document.ChipAuthenticationByCam = camPassed;
    if (camPassed) reading_.Document.ChipAuthentication = {TChipCheckOutcome::Passed, ""};
    ReadDg14AndChipAuthentication(reading_);
    EXPECT_EQ(reading_.Document.DataGroups.at(14).State, TFileState::Read);
    EXPECT_TRUE(reading_.Document.Dg14.has_value());
    EXPECT_EQ(reading_.Document.ChipAuthentication.Outcome == TChipCheckOutcome::Passed, camPassed);
  }
}

TEST(DocumentEvidence, TakesWholeDataGroupsAndEfSodAsItCame) {
  const TBytes sod{0x77, 0x03, 0x01, 0x02, 0x03};
  struct TCase {
    TFileState State;
    TSodPresence Presence;
  };
  const std::vector<TCase> cases{
      {TFileState::Read, TSodPresence::Read},           {TFileState::Absent, TSodPresence::Absent},
      {TFileState::CutOff, TSodPresence::CutOff},       {TFileState::Refused, TSodPresence::Unreadable},
      {TFileState::LinkLost, TSodPresence::Unreadable}, {TFileState::NotAsked, TSodPresence::Absent},
  };
  for (const TCase& c : cases) {
    TDocument document;
    const bool bytesCame = c.State == TFileState::Read || c.State == TFileState::CutOff;
    document.Sod = {c.State, bytesCame ? sod : TBytes{}};
    document.DataGroups[1] = {TFileState::Read, DG1(kIcaoMrz)};
    document.DataGroups[2] = {TFileState::CutOff, {0x75, 0x82}};
    document.DataGroups[11] = {TFileState::Absent, {}};
    const TReadingEvidence evidence = EvidenceOf(document);
    EXPECT_EQ(evidence.SodPresence, c.Presence) << static_cast<int>(c.State);
    EXPECT_EQ(evidence.Sod, document.Sod.Bytes);
    EXPECT_EQ(evidence.DataGroups, (std::map<int, std::vector<std::uint8_t>>{{1, DG1(kIcaoMrz)}}));
    EXPECT_EQ(evidence.ReadAt, document.ReadAt);
  }
}

}  // namespace
