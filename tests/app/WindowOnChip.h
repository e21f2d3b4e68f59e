#pragma once
// The offscreen window with the simulated chip of a sample document in the
// simulated reader, for whole readings through the window; its log read back
// line by line with each line's colour.

#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <QTextBlock>
#include <QTextEdit>

#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"
#include "ui_frmZelvan.h"

struct TLine {
  QString Text;
  QColor Colour;
  bool operator==(const TLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TLine& line) {
  return out << '"' << line.Text.toStdString() << "\" " << line.Colour.name().toStdString();
}

inline simchip::TDocument Sample(const char* file) {
  return simchip::LoadDocumentFile(std::filesystem::path(ZELVAN_SAMPLES_DIR) / file);
}

// TWindow: TfrmPICC or a window derived from it.
template <typename TWindow>
class TWindowOnChip : public ::testing::Test {
protected:
  // Puts the sample's chip on the reader and makes the window, its errors collected.
  void Open(const char* sampleFile, simchip::TChipOptions options = {}) {
    document = Sample(sampleFile);
    chip = std::make_unique<simchip::TSimulatedChip>(document, options);
    ResetReaderLink();
    SetPcscApi(&reader);
    reader.InsertCard(*chip);
    window = std::make_unique<TWindow>();
    window->SetErrorPresenter([this](const QString& message) { errors.push_back(message); });
  }

  void TearDown() override {
    window.reset();
    SetPcscApi(nullptr);
    ResetReaderLink();
  }

  std::vector<TLine> Log() const {
    std::vector<TLine> lines;
    for (QTextBlock block = window->Form().rbOutput->document()->begin(); block.isValid(); block = block.next()) {
      const QColor colour =
          block.begin() != block.end() ? block.begin().fragment().charFormat().foreground().color() : QColor();
      lines.push_back({block.text(), colour});
    }
    return lines;
  }

  simchip::TDocument document;
  std::unique_ptr<simchip::TSimulatedChip> chip;
  simchip::TSimulatedReader reader;
  std::unique_ptr<TWindow> window;
  std::vector<QString> errors;
};
