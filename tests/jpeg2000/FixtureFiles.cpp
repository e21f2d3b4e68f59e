#include "FixtureFiles.h"

#include <fstream>
#include <stdexcept>

#include <QFile>

std::string FixturePath(const std::string& name) { return std::string(ZELVAN_JPEG2000_FIXTURES) + "/" + name; }

QByteArray ReadFixture(const std::string& name) {
  QFile file(QString::fromStdString(FixturePath(name)));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("missing fixture " + name);
  return file.readAll();
}

TPlanes ReadPlanes(const std::string& fixtureName) {
  const std::string stem = fixtureName.substr(0, fixtureName.rfind('.'));
  std::ifstream in(FixturePath(stem + ".planes"));
  std::string word;
  int version = 0;
  TPlanes planes;
  if (!(in >> word >> version) || word != "jpeg2000-planes" || version != 1) throw std::runtime_error("bad planes");
  if (!(in >> word >> planes.X0 >> planes.Y0 >> planes.X1 >> planes.Y1) || word != "area") {
    throw std::runtime_error("bad planes area");
  }
  while (in >> word) {
    if (word != "component") throw std::runtime_error("bad planes component");
    TPlane plane;
    in >> plane.W >> plane.H >> plane.Dx >> plane.Dy >> plane.Prec >> plane.Sgnd;
    plane.Samples.resize(std::size_t{plane.W} * plane.H);
    for (std::int32_t& sample : plane.Samples) in >> sample;
    if (!in) throw std::runtime_error("short planes file");
    planes.Components.push_back(std::move(plane));
  }
  return planes;
}
