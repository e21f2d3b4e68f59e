#pragma once
// A view that keeps nothing but the picture, so that a reading can be timed
// without a window: the program's own work up to the point where it hands
// lines, fields and the picture to the window.

#include <QImage>

#include "support/NullView.h"

class TQuietView : public TNullView {
public:
  void LogMessage(const std::string&, int) override { ++Lines; }
  void AppendPlainLine(const std::string&) override { ++Lines; }
  void ShowPicture(const QImage& picture) override { Picture = picture; }

  QImage Picture;
  int Lines = 0;
};
