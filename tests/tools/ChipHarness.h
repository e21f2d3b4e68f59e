#pragma once
// A simulated reader with a chip in it and one open connection, for the
// tests of the tools folder.

#include <gtest/gtest.h>

#include <string>

#include "tools/simchip/BacTerminal.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/LdsBuilder.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"

namespace simchip::testing {

inline constexpr const char* kSpecimenMrzInformation = "L898902C<369080619406236";
inline constexpr const char* kSpecimenMrz =
    "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C<3UTO6908061F9406236ZE184226B<<<<<10";

// A small LDS: EF.COM, DG1 of the specimen MRZ, and DG11 of 300 bytes (long
// enough for reads in several pieces and for the 81 length form).
inline TLds SmallLds() {
  TLds lds;
  lds[DataGroupFileId(1)] = MakeDg1(kSpecimenMrz);
  lds[DataGroupFileId(11)] = MakeDg11({{0x5F0E, "ERIKSSON<<ANNA<MARIA"}, {0x5F42, std::string(260, 'A')}});
  lds[kEfComFileId] = MakeEfComFor(lds);
  return lds;
}

struct TChipHarness {
  explicit TChipHarness(TChipOptions options = {}, TLds lds = SmallLds())
      : Chip(std::move(lds), kSpecimenMrzInformation, options) {
    Reader.InsertCard(Chip);
    Connect();
  }
  // The small LDS behind another MRZ information (another PACE password).
  explicit TChipHarness(const std::string& mrzInformation, TChipOptions options = {})
      : Chip(SmallLds(), mrzInformation, options) {
    Reader.InsertCard(Chip);
    Connect();
  }
  // A chip of a whole document, its private keys included.
  explicit TChipHarness(const TDocument& document, TChipOptions options = {}) : Chip(document, options) {
    Reader.InsertCard(Chip);
    Connect();
  }

  void Connect() {
    TScardContext context = 0;
    ASSERT_EQ(Reader.EstablishContext(kScardScopeUser, context), kScardSuccess);
    std::uint32_t protocol = 0;
    ASSERT_EQ(
        Reader.Connect(context, "Zelvan Virtual ACR122 00 00", kScardShareShared, kScardProtocolAny, Handle, protocol),
        kScardSuccess);
  }

  // Sends a command with 255 bytes granted for the answer, as the program does.
  TBytes Exchange(std::span<const std::uint8_t> command, std::size_t capacity = 255) {
    std::vector<std::uint8_t> response(capacity);
    std::uint32_t length = 0;
    LastResult = Reader.Transmit(Handle, kScardProtocolT1, command, response, length);
    if (LastResult != kScardSuccess) return {};
    response.resize(length);
    return response;
  }

  // A terminal that talks through the reader; link failures show as LinkFailed.
  TBacTerminal Terminal() {
    return TBacTerminal([this](std::span<const std::uint8_t> command) -> std::optional<TBytes> {
      TBytes answer = Exchange(command);
      if (LastResult != kScardSuccess) return std::nullopt;
      return answer;
    });
  }

  // Selects the application and runs BAC with the chip's own MRZ information.
  TBacTerminal Authenticated() {
    TBacTerminal terminal = Terminal();
    EXPECT_EQ(terminal.SelectApplication().Status, kSwSuccess);
    const auto answer = terminal.Authenticate(kSpecimenMrzInformation);
    EXPECT_EQ(answer.Status, kSwSuccess);
    EXPECT_TRUE(terminal.SessionOpen());
    return terminal;
  }

  TSimulatedChip Chip;
  TSimulatedReader Reader;
  TScardHandle Handle = 0;
  std::int32_t LastResult = 0;
};

}  // namespace simchip::testing
