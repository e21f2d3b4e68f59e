#include "Documents.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/simchip/LdsBuilder.h"

namespace {

constexpr const char* kSpecimenMrzInformation = "L898902C<369080619406236";
constexpr const char* kSpecimenMrz =
    "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C<3UTO6908061F9406236ZE184226B<<<<<14";

simchip::TBytes FixtureFile(const char* name) {
  std::ifstream in(std::filesystem::path(ZELVAN_JPEG2000_FIXTURES) / name, std::ios::binary);
  return simchip::TBytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

simchip::TDocument SampleDocument(const char* fileName) {
  return simchip::LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / fileName);
}

simchip::TDocument CompactPassport() {
  simchip::TDocument document;
  document.Label = "compact specimen passport";
  document.MrzInformation = kSpecimenMrzInformation;
  simchip::TLds& lds = document.Lds;
  lds[simchip::DataGroupFileId(1)] = simchip::MakeDg1(kSpecimenMrz);
  lds[simchip::DataGroupFileId(11)] = simchip::MakeDg11({
      {0x5F0E, "ERIKSSON<<ANNA<MARIA"},
      {0x5F10, "ZE184226B"},
      {0x5F11, "İSTANBUL/TÜRKİYE"},
      {0x5F42, "Şükrü Göçmen Sokağı No:7 Şişli/İSTANBUL"},
      {0x5F13, "Öğretmen"},
      {0x5F14, "Dr."},
  });
  lds[simchip::DataGroupFileId(2)] = simchip::MakeDg2({.Data = FixtureFile("rgb-6x5.jp2"), .Width = 6, .Height = 5});
  lds[simchip::kEfComFileId] = simchip::MakeEfComFor(lds);
  // An EF.SOD to read in pieces like the data groups (no signature: Passive
  // Authentication finds it unreadable).
  simchip::TBytes sod{0x77, 0x81, 0xA0};
  for (int i = 0; i < 0xA0; ++i) sod.push_back(static_cast<std::uint8_t>(i * 7 + 3));
  lds[0x011D] = sod;
  return document;
}
