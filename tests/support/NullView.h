#pragma once
// A view that shows nothing, for tests, fuzz targets and benchmarks that do
// not look at the window. Installs itself for its lifetime.

#include "output/PiccView.h"
#include "support/ScopedSeam.h"

class TNullView : public TNullPiccView {
public:
  TNullView() : seam_(*this, PiccView, SetPiccView) {}

private:
  TScopedSeam<TPiccView> seam_;
};
