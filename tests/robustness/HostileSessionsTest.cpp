// Thousands of readings against a chip (or a link) that goes wrong at a
// random command: every reading ends as a failure ends, with the failing
// step's own line first, and the reading after it reads the document whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Documents.h"
#include "HostileAnswers.h"
#include "ReadRig.h"
#include "ReadSteps.h"

namespace {

constexpr std::uint32_t kSeed = 20261210;
constexpr std::size_t kDefaultSessions = 2000;

// ZELVAN_HOSTILE_SESSIONS lowers the count where each reading is slow (the sanitizer build).
std::size_t SessionCount() {
  const char* count = std::getenv("ZELVAN_HOSTILE_SESSIONS");
  return count ? std::strtoul(count, nullptr, 10) : kDefaultSessions;
}

const std::set<std::string> kErrorsThatEndAReading{"Stream read error", "Unknown JPEG 2000 file type",
                                                   "JPEG 2000 image decoding failed"};

std::vector<std::string> UnknownLines(const std::vector<TLoggedLine>& lines) {
  std::vector<std::string> unknown;
  for (const TLoggedLine& line : lines)
    if (line.Kind >= 0 && !IsKnownLogLine(line.Text)) unknown.push_back(line.Text);
  return unknown;
}

// Chips that let EF.COM be selected in plain, and chips that want BAC first
// (so that EF.COM is selected under secure messaging).
class HostileChip : public ::testing::TestWithParam<bool> {};

TEST_P(HostileChip, EveryFaultEndsWithItsStepsLineAndTheNextReadingIsWhole) {
  TReadRig rig(CompactPassport());
  rig.Chip().Options().RefusePlainSelect = GetParam();
  const TCleanReading clean = ReadClean(rig);
  ASSERT_GE(clean.Steps.size(), 20u);
  ASSERT_FALSE(clean.Picture.isNull());

  std::mt19937 random(kSeed + (GetParam() ? 1 : 0));
  TScriptedFaults scripted;
  rig.Reader().SetScript(ScriptOf(scripted, rig));
  std::map<std::string, std::size_t> faultsSeen;
  std::size_t linesChecked = 0;
  const std::size_t sessions = SessionCount() / 2;
  for (std::size_t session = 0; session < sessions && !::testing::Test::HasFailure(); ++session) {
    rig.Calm();
    scripted.clear();
    rig.Reader().SetScript(ScriptOf(scripted, rig));
    const THostileFault fault = PlantHostileFault(random, clean.Steps, rig.Document(), rig.Chip(), scripted);
    if (std::uniform_int_distribution<int>(0, 3)(random) == 0)
      PlantHostileFault(random, clean.Steps, rig.Document(), rig.Chip(), scripted, fault.Command + 1);
    ++faultsSeen[fault.Name];
    SCOPED_TRACE("session " + std::to_string(session) + ": " + fault.Name + " at command " +
                 std::to_string(fault.Command));

    rig.View().Lines.clear();
    const std::optional<std::string> error = rig.Read();
    const std::vector<TLoggedLine>& lines = rig.View().Lines;
    if (error) {
      EXPECT_TRUE(kErrorsThatEndAReading.contains(*error)) << *error;
    }
    EXPECT_EQ(UnknownLines(lines), std::vector<std::string>{});

    // Up to the fault the reading went as the clean one; the failing step's line comes first.
    const std::size_t before = clean.LinesBeforeCommand.at(fault.Command);
    ASSERT_GE(lines.size(), before);
    EXPECT_TRUE(std::equal(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before), clean.Lines.begin()));
    if (fault.FirstLine) {
      ++linesChecked;
      ASSERT_GT(lines.size(), before);
      EXPECT_EQ(lines[before].Text, *fault.FirstLine);
    }

    // With the chip sound again, the next reading is whole.
    rig.Calm();
    rig.View().Lines.clear();
    EXPECT_EQ(rig.Read(), std::nullopt);
    EXPECT_EQ(rig.View().Lines, clean.Lines);
    EXPECT_EQ(rig.View().Fields, clean.Fields);
    EXPECT_EQ(rig.View().Picture, clean.Picture);
  }

  for (const auto& [name, count] : faultsSeen) std::cout << "  " << name << ": " << count << "\n";
  std::cout << "  first lines checked: " << linesChecked << " of " << sessions << "\n";
  if (sessions >= 250) {
    EXPECT_EQ(faultsSeen.size(), HostileFaultNames().size()) << "every kind of fault was planted";
    EXPECT_GT(linesChecked, sessions / 2) << "most faults have a known first line";
  }
}

INSTANTIATE_TEST_SUITE_P(EfComSelection, HostileChip, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AfterBac" : "InPlain"; });

}  // namespace
