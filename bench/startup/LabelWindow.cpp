// A second reference for the start-up benchmark: the empty window with one
// line of text, to show what the first text costs in Qt (the font
// configuration, a font engine and its glyphs), which an empty window never pays.

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(626, 511);
  auto* label = new QLabel(QStringLiteral("Belge No"), &window);
  label->move(8, 8);
  window.show();
  return QApplication::exec();
}
