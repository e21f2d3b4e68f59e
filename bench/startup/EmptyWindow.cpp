// The floor of the start-up benchmark: an empty Qt window, shown by the
// smallest program built the same way as Zelvan.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(626, 511);
  window.show();
  return QApplication::exec();
}
