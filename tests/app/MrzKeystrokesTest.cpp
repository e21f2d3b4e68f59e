#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MrzKeystrokes.h"

namespace {

const std::string kTd3Line1 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::string kTd3Line2 = "L898902C36UTO7408122F1204159ZE184226B<<<<<10";
const std::string kTd2Line2 = "D231458907UTO7408122F1204159<<<<<<<6";
const std::string kTd1Line1 = "I<UTOD231458907<<<<<<<<<<<<<<<";
const std::string kTd1Line2 = "7408122F1204159UTO<<<<<<<<<<<6";
const std::string kTd1Line3 = "ERIKSSON<<ANNA<MARIA<<<<<<<<<<";

// One letter per key: Pass, Hold, Whole, GiveBack, Drop. In `keys`, '\n'
// is a line end and '#' a key that types nothing of an MRZ.
std::string Steps(TMrzKeystrokes& collector, const std::string& keys) {
  std::string steps;
  for (const char key : keys) {
    switch (collector.Key(key == '#' ? '\0' : key)) {
      case TMrzKeystrokes::TStep::Pass:
        steps += 'P';
        break;
      case TMrzKeystrokes::TStep::Hold:
        steps += 'H';
        break;
      case TMrzKeystrokes::TStep::Whole:
        steps += 'W';
        break;
      case TMrzKeystrokes::TStep::GiveBack:
        steps += 'G';
        break;
      case TMrzKeystrokes::TStep::Drop:
        steps += 'D';
        break;
    }
  }
  return steps;
}

std::string Times(std::size_t n, char step) { return std::string(n, step); }

struct TKeysCase {
  const char* Name;
  std::string Keys;
  std::string Steps;
  std::string Text;  // the whole MRZ, when one came
};

TEST(MrzKeystrokes, HoldsKeysOnlyAfterAWholeMrzLineAndGivesThemBackWhenNoMrzFollows) {
  const std::vector<TKeysCase> cases{
      {"a document number typed and tabbed", "L898902C<\n", Times(10, 'P'), ""},
      {"TD3, Enter after each line", kTd3Line1 + "\n" + kTd3Line2 + "\n",
       Times(44, 'P') + "H" + Times(43, 'H') + "W" + "D", kTd3Line1 + "\n" + kTd3Line2 + "\n"},
      {"TD3, CR LF", kTd3Line1 + "\n\n" + kTd3Line2 + "\n\n", Times(44, 'P') + "HH" + Times(43, 'H') + "WDP",
       kTd3Line1 + "\n" + kTd3Line2 + "\n"},
      {"TD1, no line end after the last line", kTd1Line1 + "\n" + kTd1Line2 + "\n" + kTd1Line3,
       Times(30, 'P') + "H" + Times(30, 'H') + "H" + Times(29, 'H') + "W",
       kTd1Line1 + "\n" + kTd1Line2 + "\n" + kTd1Line3 + "\n"},
      {"another key after the first line", kTd3Line1 + "\nAB#", Times(44, 'P') + "HHHG", ""},
      {"a second line of another width", kTd3Line1 + "\n" + kTd2Line2 + "\n",
       Times(44, 'P') + "H" + Times(36, 'H') + "G", ""},
      {"a second line too long", kTd1Line1 + "\n" + kTd1Line2 + "X", Times(30, 'P') + "H" + Times(30, 'H') + "G", ""},
      {"a first line of no MRZ width", kTd3Line1.substr(0, 40) + "\n" + kTd3Line2 + "\n",
       Times(41, 'P') + Times(44, 'P') + "H", ""},
      {"a first line longer than any", kTd3Line1 + "XY" + "\n" + kTd1Line1.substr(0, 10),
       Times(47, 'P') + Times(10, 'P'), ""},
      {"lower case breaks the line", kTd3Line1.substr(0, 20) + "a" + kTd3Line1.substr(21) + "\n", Times(45, 'P'), ""},
  };
  for (const auto& c : cases) {
    TMrzKeystrokes collector;
    EXPECT_EQ(Steps(collector, c.Keys), c.Steps) << c.Name;
    if (!c.Text.empty()) {
      EXPECT_EQ(collector.Text(), c.Text) << c.Name;
    }
  }
}

TEST(MrzKeystrokes, IdleOnlyBetweenRuns) {
  TMrzKeystrokes collector;
  EXPECT_TRUE(collector.Idle());
  Steps(collector, "L89");
  EXPECT_FALSE(collector.Idle());
  Steps(collector, "\n");
  EXPECT_TRUE(collector.Idle());
  Steps(collector, kTd2Line2 + "\n" + kTd2Line2.substr(0, 5));
  EXPECT_FALSE(collector.Idle());
  collector.Forget();
  EXPECT_TRUE(collector.Idle());
}

}  // namespace
