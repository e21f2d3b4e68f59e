// A chip that asks for Basic Access Control and, once BAC has failed, answers
// plain commands with data: nothing it sends in plain may be taken as the
// document's.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTextEdit>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "reader/PcscApi.h"
#include "support/ScriptedCard.h"
#include "ui_frmZelvan.h"

namespace {

TBytes Ascii(const std::string& text) { return TBytes(text.begin(), text.end()); }

TBytes WithHeader(std::initializer_list<std::uint8_t> header, const TBytes& value) {
  TBytes bytes(header);
  bytes.insert(bytes.end(), value.begin(), value.end());
  return bytes;
}

// EF.COM listing DG1, and a DG1 whose MRZ belongs to no one the operator asked for.
const std::string kForeignMrz =
    "P<UTOINTRUDER<<EVE<<<<<<<<<<<<<<<<<<<<<<<<<<X00000000<0UTO7001014F3001019<<<<<<<<<<<<<<08";
const TBytes kEfCom = WithHeader({0x60, 0x14, 0x5F, 0x01, 0x04},
                                 WithHeader({'0', '1', '0', '7', 0x5F, 0x36, 0x06},
                                            WithHeader({'0', '4', '0', '0', '0', '0', 0x5C, 0x02, 0x61, 0x6B}, {})));
const TBytes kDG1 = WithHeader({0x61, 0x5B, 0x5F, 0x1F, 0x58}, Ascii(kForeignMrz));

enum class TDemand { AtSelect, AtRead };

// Wants BAC (at the plain SELECT of EF.COM, or at its first plain READ
// BINARY), refuses every EXTERNAL AUTHENTICATE, and afterwards serves its
// files to plain commands: the answers of the scripted card, behind one reader.
class TPlainAfterFailedBacChip final : public TScriptedCard {
public:
  explicit TPlainAfterFailedBacChip(TDemand demand) : demand_(demand) {
    Readers = {"Test ACR122 00 00"};
    Handle = 7;
    Responder = [this](const TBytes& command) { return TAnswer{Answer(command)}; };
  }

  bool BacFailed = false;

private:
  static TBytes Status(std::uint16_t status) {
    return {static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status & 0xFF)};
  }

  TBytes Answer(const TBytes& command) {
    const std::uint8_t cla = command.at(0), ins = command.at(1);
    if (cla != 0x00) return Status(0x6988);  // protected commands: no session
    if (ins == 0x84) return WithHeader({1, 2, 3, 4, 5, 6, 7, 8}, Status(0x9000));
    if (ins == 0x82) {
      BacFailed = true;
      return Status(0x6300);
    }
    if (ins == 0xA4 && command.at(2) == 0x04) return Status(0x9000);
    if (ins == 0xA4) {
      if (!BacFailed && demand_ == TDemand::AtSelect) return Status(0x6982);
      selected_ = command.at(6) == 0x1E ? &kEfCom : command.at(6) == 0x01 ? &kDG1 : nullptr;
      return Status(selected_ ? 0x9000 : 0x6A82);
    }
    if (ins == 0xB0) {
      if (!BacFailed) return Status(0x6982);
      const std::size_t offset = static_cast<std::size_t>(command.at(2) << 8 | command.at(3));
      const std::size_t wanted = command.at(4) == 0 ? 256 : command.at(4);
      if (!selected_ || offset > selected_->size()) return Status(0x6B00);
      const std::size_t count = std::min(wanted, selected_->size() - offset);
      TBytes data(selected_->begin() + static_cast<std::ptrdiff_t>(offset),
                  selected_->begin() + static_cast<std::ptrdiff_t>(offset + count));
      data.push_back(0x90);
      data.push_back(0x00);
      return data;
    }
    return Status(0x6D00);
  }

  TDemand demand_;
  const TBytes* selected_ = nullptr;
};

class FailedBac : public ::testing::TestWithParam<TDemand> {
protected:
  void TearDown() override {
    window.reset();
    SetPcscApi(nullptr);
    ResetReaderLink();
  }

  std::unique_ptr<TfrmPICC> window;
};

TEST_P(FailedBac, NothingThePlainAnswersCarryReachesTheWindow) {
  TPlainAfterFailedBacChip chip(GetParam());
  ResetReaderLink();
  SetPcscApi(&chip);
  window = std::make_unique<TfrmPICC>();
  std::vector<QString> errors;
  window->SetErrorPresenter([&errors](const QString& message) { errors.push_back(message); });
  window->Form().eDocNumber->setText("L898902C<");
  window->bOkuClick();

  ASSERT_TRUE(chip.BacFailed);
  const QString log = window->Form().rbOutput->toPlainText();
  EXPECT_FALSE(log.contains("INTRUDER")) << log.toStdString();
  EXPECT_FALSE(log.contains("DataGroups : DG1")) << log.toStdString();
  for (const QLineEdit* edit : window->Form().GroupBox3->findChildren<QLineEdit*>())
    EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString() << ": " << edit->text().toStdString();

  // After the failed authentication no data group is selected in plain.
  std::size_t authenticate = 0;
  for (std::size_t i = 0; i < chip.Commands.size(); ++i)
    if (chip.Commands[i].at(1) == 0x82) authenticate = i;
  for (std::size_t i = authenticate + 1; i < chip.Commands.size(); ++i) {
    const TBytes& command = chip.Commands[i];
    const bool plainDataGroupSelect =
        command.size() == 7 && command[0] == 0x00 && command[1] == 0xA4 && command[2] == 0x02 && command[6] != 0x1E;
    EXPECT_FALSE(plainDataGroupSelect) << "command " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Demands, FailedBac, ::testing::Values(TDemand::AtSelect, TDemand::AtRead),
                         [](const auto& info) { return info.param == TDemand::AtSelect ? "AtSelect" : "AtRead"; });

}  // namespace
