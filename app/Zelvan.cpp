// Program entry: the application and its one main window.

#include <QApplication>
#include <QFont>
#include <QtPlugin>

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/ImportCommand.h"
#include "app/frmZelvan.h"

// The program's own JPEG 2000 picture format ("jp2", "j2k", "jpc").
Q_IMPORT_PLUGIN(TJpeg2000ImagePlugin)

int main(int argc, char** argv) {
  // Importing trust files needs no window (nor a display).
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  if (arguments.size() == 1 && arguments[0] == "--version") {
    std::cout << "Zelvan " << ZELVAN_VERSION << "\n";
    return 0;
  }
  if (const std::optional<int> status = RunImportCommand(arguments, std::cout)) return *status;

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelvan"));
  // The window's fonts are named as on the desk computers it was laid out on;
  // map them to metric-compatible free fonts.
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));

  TfrmPICC window;
  window.show();
  return QApplication::exec();
}
