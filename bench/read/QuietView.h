#pragma once
// A view that keeps nothing but the picture, so that a reading can be timed
// without a window: the program's own work up to the point where it hands
// lines, fields and the picture to the window.

#include <QImage>

#include "access/PiccView.h"

class TQuietView : public TPiccView {
public:
  TQuietView() { SetPiccView(this); }
  ~TQuietView() override { SetPiccView(nullptr); }
  TQuietView(const TQuietView&) = delete;
  TQuietView& operator=(const TQuietView&) = delete;

  void LogMessage(const std::string&, int) override { ++Lines; }
  void AppendPlainLine(const std::string&) override { ++Lines; }
  void SetResultText(TResultEdit, const std::string&) override {}
  void SetProgressMax(int) override {}
  int ProgressPosition() const override { return 0; }
  void SetProgressPosition(int) override {}
  TCalendarDate DateOfBirth() const override { return BirthDate; }
  bool PictureWanted() const override { return true; }
  void ShowPicture(const QImage& picture) override { Picture = picture; }

  TCalendarDate BirthDate;
  QImage Picture;
  int Lines = 0;
};
