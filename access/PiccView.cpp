#include "access/PiccView.h"

namespace {

class TNullView final : public TPiccView {
public:
  void LogMessage(const std::string&, int) override {}
  void AppendPlainLine(const std::string&) override {}
  void SetResultText(TResultEdit, const std::string&) override {}
  void BeginDocument(const std::string&, const std::string&) override {}
  void SetProgressMax(int) override {}
  int ProgressPosition() const override { return 0; }
  void SetProgressPosition(int) override {}
  void ShowPicture(const QImage&) override {}
};

TNullView nullView;
TPiccView* currentView = nullptr;

}  // namespace

TPiccView& PiccView() { return currentView ? *currentView : nullView; }

void SetPiccView(TPiccView* view) { currentView = view; }

void LogMessage(const std::string& text, int kind) { PiccView().LogMessage(text, kind); }
