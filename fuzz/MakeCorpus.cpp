// Writes the seed corpora of the fuzz targets from the sample documents:
//   zelvan-fuzz-corpus <samples folder> <JPEG 2000 fixtures folder> <corpus folder>
// Every seed is a real piece of a document as the chip or the file holds it;
// the read-session seeds are the whole sessions recorded against the chip,
// with BAC and with PACE.
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/face/FaceLocation.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReadSession.h"
#include "fuzz/SessionScript.h"
#include "reader/StatusWord.h"
#include "tools/pacechip/PaceSessionForgery.h"
#include "tools/simchip/CardCrypto.h"
#include "tools/simchip/Lds.h"
#include "tools/simchip/SecureChannel.h"
#include "tools/simchip/Tlv.h"

namespace {

namespace fs = std::filesystem;
using simchip::TBytes;

constexpr std::uint16_t kFileNotFound = 0x6A82;
constexpr std::uint8_t kDoCryptogram = 0x87;
constexpr std::size_t kFileStart = 5;  // what DecodeFileLength may read

// The samples whose whole session and DG2 seed the corpora: a JPEG 2000 face
// and a JPEG one (the identity card's face is of the passport's kind).
constexpr std::array<const char*, 2> kSessionSamples{"icao-passport", "jpeg-face-passport"};
constexpr const char* kJpeg2000FaceSample = "icao-passport";
// Small fixtures of the JPEG 2000 kinds the bitmap converts.
constexpr std::array<const char*, 6> kJpeg2000Fixtures{"rgb-6x5.jp2",       "sycc420-7x5.j2k",  "grey16-4x3.jp2",
                                                       "argb-cdef-5x3.jp2", "signed12-4x3.jp2", "bilevel-4x2.jp2"};

void WriteSeed(const fs::path& folder, const std::string& name, std::span<const std::uint8_t> bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TBytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), {});
}

TBytes WithFlag(std::uint8_t flag, std::span<const std::uint8_t> bytes) {
  TBytes out{flag};
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

// A protected answer as the chip makes it on the fuzz targets' live session.
TBytes ProtectedAnswer(std::span<const std::uint8_t> data, std::uint16_t status) {
  const tMRTD_CTX session = LiveSession();
  return simchip::TSecureChannel({session.encK, session.macK}, session.SSC).Wrap(data, status);
}

// The script record that gives the program the chip's answer again; under
// PACE the chip's side deciphers its own answer.
void Record(const hostile::TExchange& exchange, const pacechip::TOpenPaceChip* pace, TBytes& script) {
  const std::span<const std::uint8_t> answer = exchange.ChipAnswer;
  const std::uint16_t status =
      answer.size() >= 2 ? static_cast<std::uint16_t>(answer[answer.size() - 2] << 8 | answer[answer.size() - 1]) : 0;
  if (answer.size() <= 2) return TSessionScript::AppendBareStatus(status, script);
  std::span<const std::uint8_t> rest = answer.first(answer.size() - 2);
  if (pace && !exchange.UnderPace) return TSessionScript::AppendData(rest, status, script);  // PACE's plain steps
  if (pace) {
    const std::optional<TBytes> plaintext = pacechip::UnwrapLastAnswer(*pace, answer);
    if (plaintext && !plaintext->empty()) return TSessionScript::AppendData(*plaintext, status, script);
    return TSessionScript::AppendProtectedStatus(status, script);
  }
  TBytes plaintext;
  bool data = false;
  while (const auto object = simchip::ReadTlv(rest)) {
    if (object->Tag == kDoCryptogram && !object->Value.empty()) {
      plaintext = simchip::Decrypt3Des(exchange.Session.encK, object->Value.subspan(1));
      plaintext.resize(simchip::UnpaddedLength(plaintext).value_or(plaintext.size()));
      data = true;
    }
    rest = rest.subspan(object->Size);
  }
  if (data) return TSessionScript::AppendData(plaintext, status, script);
  TSessionScript::AppendProtectedStatus(status, script);
}

void WriteDocumentSeeds(const fs::path& documentFile, const fs::path& corpus) {
  TReadSession session(documentFile);
  const std::string name = documentFile.stem().string();
  const simchip::TLds& lds = session.Document().Lds;
  const auto file = [&](int dataGroup) -> const TBytes* {
    const auto found = lds.find(simchip::DataGroupFileId(dataGroup));
    return found != lds.end() ? &found->second : nullptr;
  };

  for (const auto& [fileId, bytes] : lds) {
    const std::array<std::uint8_t, 2> id{static_cast<std::uint8_t>(fileId >> 8), static_cast<std::uint8_t>(fileId)};
    WriteSeed(corpus / "file_length", name + "-" + simchip::ToHex(id),
              std::span(bytes).first(std::min(bytes.size(), kFileStart)));
  }
  if (const auto efCom = lds.find(simchip::kEfComFileId); efCom != lds.end())
    WriteSeed(corpus / "efcom", name, efCom->second);
  if (const TBytes* dg1 = file(1)) WriteSeed(corpus / "mrz", name, *dg1);
  if (const TBytes* dg11 = file(11)) WriteSeed(corpus / "dg11", name, *dg11);
  if (const TBytes* dg12 = file(12)) WriteSeed(corpus / "dg12", name, *dg12);

  if (std::ranges::find(kSessionSamples, name) == kSessionSamples.end()) return;
  if (const TBytes* dg2 = file(2)) {
    WriteSeed(corpus / "dg2_face", name, *dg2);
    const auto face = LocateFaceImage(*dg2);
    if (face && name == kJpeg2000FaceSample) WriteSeed(corpus / "jpeg2000", name, WithFlag(0, *face));
  }

  for (const TSessionAccess access : {TSessionAccess::Bac, TSessionAccess::Pace}) {
    TBytes script{TSessionScript::AccessByte(access)};
    session.Run(
        [&](const hostile::TExchange& exchange) {
          Record(exchange, session.Pace(), script);
          return std::nullopt;
        },
        access);
    WriteSeed(corpus / "read_session", name + (access == TSessionAccess::Pace ? "-pace" : ""), script);
  }
}

void WriteAnswerSeeds(const fs::path& corpus) {
  const TBytes header{0x75, 0x82, 0x40, 0x87};
  const TBytes piece(100, 0x5A);
  const TBytes longest(231, 0xA5);  // DO'87' in the 81 form
  WriteSeed(corpus / "secure_read_answer", "header", WithFlag(0, ProtectedAnswer(header, kSwSuccess)));
  WriteSeed(corpus / "secure_read_answer", "piece", WithFlag(1, ProtectedAnswer(piece, kSwSuccess)));
  WriteSeed(corpus / "secure_read_answer", "longest", WithFlag(0, ProtectedAnswer(longest, kSwSuccess)));
  WriteSeed(corpus / "secure_select_answer", "selected", WithFlag(0, ProtectedAnswer({}, kSwSuccess)));
  WriteSeed(corpus / "secure_select_answer", "not-found", WithFlag(1, ProtectedAnswer({}, kFileNotFound)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: zelvan-fuzz-corpus SAMPLES_DIR JPEG2000_FIXTURES_DIR CORPUS_DIR\n";
    return 2;
  }
  const fs::path samples = argv[1];
  const fs::path fixtures = argv[2];
  const fs::path corpus = argv[3];
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (entry.path().extension() == ".zdoc") WriteDocumentSeeds(entry.path(), corpus);
  }
  WriteAnswerSeeds(corpus);
  for (const char* fixture : kJpeg2000Fixtures) {
    WriteSeed(corpus / "jpeg2000", fixture, WithFlag(0, ReadFile(fixtures / fixture)));
  }
  return 0;
}
