#pragma once
// The JPEG 2000 fixtures of data/ and the source samples each one was made
// from (data/<name>.planes, written by data/make-fixtures.py).

#include <cstdint>
#include <string>
#include <vector>

#include <QByteArray>

struct TPlane {
  std::uint32_t W = 0, H = 0, Dx = 1, Dy = 1, Prec = 8, Sgnd = 0;
  std::vector<std::int32_t> Samples;  // W x H, row by row
};

struct TPlanes {
  std::uint32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  std::vector<TPlane> Components;  // in codestream order
};

std::string FixturePath(const std::string& name);
QByteArray ReadFixture(const std::string& name);
// The planes of "<stem>.jp2" or "<stem>.j2k": "<stem>.planes".
TPlanes ReadPlanes(const std::string& fixtureName);
