#pragma once
// A view that shows nothing, for tests, fuzz targets and benchmarks that do
// not look at the window. Installs itself for its lifetime.

#include "access/PiccView.h"
#include "support/ScopedSeam.h"

class TNullView : public TPiccView {
public:
  TNullView() : seam_(*this, PiccView, SetPiccView) {}

  void LogMessage(const std::string&, int) override {}
  void AppendPlainLine(const std::string&) override {}
  void SetResultText(TResultEdit, const std::string&) override {}
  void BeginDocument(const std::string&, const std::string&) override {}
  void SetProgressMax(int) override {}
  int ProgressPosition() const override { return 0; }
  void SetProgressPosition(int) override {}
  void ShowPicture(const QImage&) override {}

private:
  TScopedSeam<TPiccView> seam_;
};
