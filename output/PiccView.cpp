#include "output/PiccView.h"

namespace {

TNullPiccView nullView;
TPiccView* currentView = nullptr;

}  // namespace

TPiccView& PiccView() { return currentView ? *currentView : nullView; }

void SetPiccView(TPiccView* view) { currentView = view; }

void LogMessage(const std::string& text, int kind) { PiccView().LogMessage(text, kind); }
