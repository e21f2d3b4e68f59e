// The secrets of a session stay out of the log, and the window wipes them
// when it is destroyed.
//
// Secrets: the document keys and the session keys (and their halves), the
// terminal's nonce RND.IFD and key material K.IFD, the chip's key material
// K.ICC, every value of the send sequence counter, and the deciphered bytes
// of every file. None may show in a log line or an error text, neither in
// hexadecimal (upper or lower case, with or without blanks between bytes)
// nor as raw bytes.
#include <gtest/gtest.h>

#include <QDateEdit>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "Documents.h"
#include "HostileAnswers.h"
#include "ReadRig.h"
#include "ReadSteps.h"
#include "app/frmZelvan.h"
#include "crypto/SecretBytes.h"
#include "reader/ApduExchange.h"
#include "support/Hex.h"
#include "tools/simchip/CardCrypto.h"
#include "ui_frmZelvan.h"

namespace {

constexpr std::size_t kWindow = 4;  // the shortest run of a secret that may not show

// Every run of kWindow bytes of the secrets, in hexadecimal and raw.
class TSecretRuns {
public:
  // Raw runs only for key material: the text of the files is logged as text.
  enum class TForms { HexOnly, HexAndRaw };
  void Add(std::span<const std::uint8_t> secret, TForms forms = TForms::HexAndRaw) {
    if (std::ranges::all_of(secret, [](std::uint8_t b) { return b == 0; })) return;  // "no counter"
    for (std::size_t at = 0; at + kWindow <= secret.size(); ++at) {
      const auto run = secret.subspan(at, kWindow);
      hex_.insert(ToHex(run));
      if (forms == TForms::HexAndRaw) raw_.emplace(run.begin(), run.end());
    }
  }
  void Add(const tMRTD_CTX& session) {
    Add(session.RND_IFD);
    Add(session.K_IFD);
    Add(session.encK);
    Add(session.macK);
    Add(session.SSC);
  }

  // The first secret run found in the text, if any.
  std::string FoundIn(const std::string& text) const {
    std::string digits;  // the text's hexadecimal digits in upper case, blanks between them dropped
    for (const char c : text) {
      if (c == ' ') continue;
      digits += std::isxdigit(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(c)) : '.';
    }
    for (std::size_t at = 0; at + 2 * kWindow <= digits.size(); ++at)
      if (hex_.contains(digits.substr(at, 2 * kWindow))) return digits.substr(at, 2 * kWindow);
    for (std::size_t at = 0; at + kWindow <= text.size(); ++at)
      if (raw_.contains(text.substr(at, kWindow)))
        return "raw " + ToHex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()) + at, kWindow));
    return {};
  }

  std::size_t Count() const { return hex_.size(); }

private:
  std::set<std::string> hex_;
  std::set<std::string> raw_;
};

// The secrets of every reading the rig made: the session before each command and after the last.
void AddSessions(const TReadRig& rig, TSecretRuns& secrets) {
  for (const tMRTD_CTX& session : rig.SessionBeforeCommand()) secrets.Add(session);
  secrets.Add(rig.Session());
}

void AddFiles(const simchip::TDocument& document, TSecretRuns& secrets) {
  for (const auto& [id, bytes] : document.Lds) secrets.Add(bytes, TSecretRuns::TForms::HexOnly);
}

void ExpectNoSecretIn(const std::vector<TLoggedLine>& lines, const std::optional<std::string>& error,
                      const TSecretRuns& secrets) {
  for (const TLoggedLine& line : lines) EXPECT_EQ(secrets.FoundIn(line.Text), "") << line.Text;
  if (error) {
    EXPECT_EQ(secrets.FoundIn(*error), "") << *error;
  }
}

TEST(SessionSecrets, NeverReachTheLogOfWholeWrongOrHostileReadings) {
  TReadRig rig(CompactPassport());
  TSecretRuns files;
  AddFiles(rig.Document(), files);
  std::size_t readings = 0;

  // A whole reading, then one with a wrong date of birth (BAC fails).
  for (const int birthYear : {rig.Inputs().DateOfBirth.Year, rig.Inputs().DateOfBirth.Year + 1}) {
    rig.Inputs().DateOfBirth.Year = birthYear;
    rig.View().Lines.clear();
    const auto error = rig.Read();
    TSecretRuns secrets = files;
    AddSessions(rig, secrets);
    ASSERT_GT(secrets.Count(), files.Count());
    // The search finds a key in each of its forms.
    const std::string key = ToHex(rig.Session().macK);
    std::string spacedLower;
    for (std::size_t i = 0; i < key.size(); i += 2) spacedLower += " " + key.substr(i, 2);
    std::transform(spacedLower.begin(), spacedLower.end(), spacedLower.begin(), ::tolower);
    const auto* raw = reinterpret_cast<const char*>(rig.Session().macK.data());
    for (const std::string& leak : {"K " + key, "K" + spacedLower, "K " + std::string(raw, 8)})
      EXPECT_NE(secrets.FoundIn(leak), "") << leak;
    ExpectNoSecretIn(rig.View().Lines, error, secrets);
    ++readings;
  }
  rig.Inputs() = InputsFor(rig.Document().MrzInformation);

  // Readings that go wrong at random commands, where failure lines carry numbers and status words.
  rig.Read();
  const std::vector<TStep> steps = StepsOf(rig.Chip().Journal());
  std::mt19937 random(7);
  TScriptedFaults scripted;
  for (int session = 0; session < 300 && !::testing::Test::HasFailure(); ++session) {
    rig.Calm();
    scripted.clear();
    rig.Reader().SetScript(ScriptOf(scripted, rig));
    const THostileFault fault = PlantHostileFault(random, steps, rig.Document(), rig.Chip(), scripted);
    SCOPED_TRACE(fault.Name + " at command " + std::to_string(fault.Command));
    rig.View().Lines.clear();
    const auto error = rig.Read();
    TSecretRuns secrets = files;
    AddSessions(rig, secrets);
    ExpectNoSecretIn(rig.View().Lines, error, secrets);
    ++readings;
  }
  EXPECT_EQ(readings, 302u);
}

// The bytes of the object's storage contain the secret.
bool StorageHolds(std::span<const std::byte> storage, std::span<const std::uint8_t> secret) {
  const auto bytes = std::as_bytes(secret);
  return std::search(storage.begin(), storage.end(), bytes.begin(), bytes.end()) != storage.end();
}

TEST(SessionSecrets, AreWipedFromTheWindowWhenItIsDestroyed) {
  // A chip without Chip Authentication: the BAC session's keys stay the reading's.
  const simchip::TDocument document = SampleDocument("no-dg11-passport.zdoc");
  simchip::TSimulatedChip chip(document);
  const simchip::TKey chipKeyMaterial{0x0B, 0x4F, 0x80, 0x32, 0x3E, 0xB3, 0x19, 0x1C,
                                      0xB0, 0x49, 0x70, 0xCB, 0x40, 0x52, 0x79, 0x0B};
  chip.SetNextKeyMaterial(chipKeyMaterial);
  simchip::TSimulatedReader reader;
  reader.InsertCard(chip);
  TSeededRandomSource random(37);  // keeps what it hands out: RND.IFD first, then K.IFD
  ResetReaderLink();
  SetPcscApi(&reader);
  SetRandomSource(&random);

  // The window lives in storage of the test's own, so that its bytes can be
  // looked at after the window is gone.
  alignas(TfrmPICC) std::array<std::byte, sizeof(TfrmPICC)> storage{};
  TfrmPICC* window = new (storage.data()) TfrmPICC();
  const TReadInputs inputs = InputsFor(document.MrzInformation);
  window->Form().eDocNumber->setText(QString::fromStdString(inputs.DocumentNumber));
  window->Form().eDogTar->setDate({inputs.DateOfBirth.Year, inputs.DateOfBirth.Month, inputs.DateOfBirth.Day});
  // Only the last two digits of a year count; the expiry field takes years from 2000.
  window->Form().eGecTar->setDate(
      {2000 + inputs.DateOfExpiry.Year % 100, inputs.DateOfExpiry.Month, inputs.DateOfExpiry.Day});
  window->SetErrorPresenter([](const QString& message) { ADD_FAILURE() << message.toStdString(); });
  window->bOkuClick();
  ASSERT_TRUE(chip.SessionOpen());
  ASSERT_EQ(random.Filled.size(), 2u);

  // What the session holds: the nonce, the key material, the session keys and the last counter.
  const TBytes& rndIfd = random.Filled[0];
  const TBytes& kIfd = random.Filled[1];
  simchip::TKey seed{};
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = kIfd[i] ^ chipKeyMaterial[i];
  const simchip::TKeyPair sessionKeys = simchip::DeriveKeys(seed);
  const simchip::TBlock counter = *chip.SessionCounter();
  const std::vector<std::pair<const char*, TBytes>> secrets{
      {"RND.IFD", rndIfd},
      {"K.IFD", kIfd},
      {"KS_Enc", TBytes(sessionKeys.Enc.begin(), sessionKeys.Enc.end())},
      {"KS_MAC", TBytes(sessionKeys.Mac.begin(), sessionKeys.Mac.end())},
      {"SSC", TBytes(counter.begin(), counter.end())},
  };
  for (const auto& [name, secret] : secrets) EXPECT_TRUE(StorageHolds(storage, secret)) << name << " while it lives";

  window->~TfrmPICC();
  for (const auto& [name, secret] : secrets) EXPECT_FALSE(StorageHolds(storage, secret)) << name << " once destroyed";

  SetRandomSource(nullptr);
  SetPcscApi(nullptr);
  ResetReaderLink();
}

TEST(SessionSecrets, SecretBytesAreZeroOnceDestroyed) {
  // Key copies, seeds and deciphered BAC data live in TSecretBytes for as long as they are needed.
  alignas(TSecretBytes<24>) std::array<std::byte, sizeof(TSecretBytes<24>)> storage{};
  auto* secret = new (storage.data()) TSecretBytes<24>();
  for (std::size_t i = 0; i < secret->size(); ++i) (*secret)[i] = static_cast<std::uint8_t>(0xA0 + i);
  ASSERT_TRUE(std::ranges::any_of(storage, [](std::byte b) { return b != std::byte{0}; }));
  secret->~TSecretBytes<24>();
  EXPECT_TRUE(std::ranges::all_of(storage, [](std::byte b) { return b == std::byte{0}; }));
}

}  // namespace
