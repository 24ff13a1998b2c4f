// Program entry: the calibration, the open course, the main window, then the database, in this
// order, because each relies on what the one before it set up (the main window reads the stored
// database setting that the open course then connects to). main owns the two values every part
// is given: the folder the program was started from and the database setting of this run.
//
// The window is on the screen as soon as it can be: the bare window is shown, its panels built,
// and only then is the store connected, so that a box the connection needs (the first start, a
// missing database, a server's password) comes over the whole window. The patient list is read
// on a thread of its own and fills the list when it is in; the disclaimer comes last.

#include <QApplication>
#include <QDir>

#include "base/Directories.h"
#include "course/OpenCourse.h"
#include "resources/Resources.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

int main(int argc, char** argv) {
  const QString startDir = QDir::currentPath();  // before any window exists

  QApplication app(argc, argv);
  QApplication::setApplicationName("NB UVB Calculator");
  QApplication::setOrganizationName("Venmore");
  QGuiApplication::setDesktopFileName("halcyra");

  const std::optional<FactorTables> tables = ui::readCalibration(nullptr, startDir);
  if (!tables) return 1;  // no calibration: the reason was shown

  course::OpenCourse course(*tables);
  settings::DatabaseSetting database;
  ui::MainWindow window(course, database, startDir, ui::MainWindow::Contents::AfterShow);
  window.show();
  // After the window is on the screen: the icon's pictures take a few milliseconds to prepare.
  QApplication::setWindowIcon(resources::programIcon());
  window.buildContents();
  ui::connectDatabase(course, database, &window, records::Store::ListRead::InBackground);
  window.showDisclaimerSoon();
  return app.exec();
}
