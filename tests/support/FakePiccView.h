#pragma once
// A recording stand-in for the main window, for tests below the window.

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <QImage>

#include "output/PiccView.h"
#include "support/ScopedSeam.h"

struct TLoggedLine {
  std::string Text;
  int Kind;  // -1 for a plain line
  bool operator==(const TLoggedLine&) const = default;
};
// Test failures show the line's text.
inline void PrintTo(const TLoggedLine& line, std::ostream* out) { *out << line.Kind << " \"" << line.Text << "\""; }

class TFakePiccView : public TPiccView {
public:
  // Installs itself as the process-wide view for its lifetime.
  TFakePiccView() : seam_(*this, PiccView, SetPiccView) {}

  void LogMessage(const std::string& text, int kind) override { Lines.push_back({text, kind}); }
  void AppendPlainLine(const std::string& text) override { Lines.push_back({text, -1}); }
  void SetResultText(TResultEdit edit, const std::string& text) override {
    Fields[edit] = text;
    FieldWrites.push_back(edit);
  }
  void BeginDocument(const std::string& documentNumber, const std::string& issuingState) override {
    Documents.push_back(documentNumber + "/" + issuingState);
  }
  void SetProgressMax(int maximum) override { ProgressMax = maximum; }
  int ProgressPosition() const override { return Progress; }
  void SetProgressPosition(int position) override { Progress = position; }
  void ShowVerdict(TVerdictShown verdict, const std::string& details) override {
    Verdict = verdict;
    VerdictDetails = details;
  }
  void ShowPicture(const QImage& picture) override {
    Picture = picture.copy();
    ++PicturesShown;
  }
  void MarkResult(TResultEdit edit, TFieldTrust trust, const std::string& why) override { Marks[edit] = {trust, why}; }
  void MarkPicture(TFieldTrust trust, const std::string& why) override { PictureMark = {trust, why}; }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& line : Lines) texts.push_back(line.Text);
    return texts;
  }

  std::vector<TLoggedLine> Lines;
  std::map<TResultEdit, std::string> Fields;
  std::vector<TResultEdit> FieldWrites;
  std::vector<std::string> Documents;  // "number/state" of every BeginDocument
  int ProgressMax = 100;
  int Progress = 0;
  QImage Picture;
  TVerdictShown Verdict = TVerdictShown::None;
  std::string VerdictDetails;
  int PicturesShown = 0;
  struct TMark {
    TFieldTrust Trust = TFieldTrust::Signed;
    std::string Why;
    bool operator==(const TMark&) const = default;
  };
  std::map<TResultEdit, TMark> Marks;
  TMark PictureMark;

private:
  TScopedSeam<TPiccView> seam_;
};
