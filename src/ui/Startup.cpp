#include "ui/Startup.h"

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTextDocument>

#include "base/Directories.h"
#include "base/Settings.h"
#include "course/OpenCourse.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/FactorFile.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "ui/DatabaseSetting.h"
#include "ui/Dialogs.h"

namespace ui {

std::optional<FactorTables> readCalibration(QWidget* parent, const QString& startDir) {
  try {
    // Values that cannot be a calibration are refused here, with the value named.
    return dosing::readCalibration(QDir(startDir).absoluteFilePath(dosing::kFactorFileName));
  } catch (const std::exception& e) {
    dialogs::error(parent, QString::fromUtf8(e.what()) +
                               "\n\nThe dose factor file \"UVB_Factors.Dat\" calibrates every MED estimate; "
                               "without a sound one the program cannot work and will close. Place the department's "
                               "calibration in the program's start-up directory (" +
                               QDir::toNativeSeparators(startDir) + ") and start again.");
    return std::nullopt;
  }
}

namespace {

// The first start of an installed program: no database is set yet. The user creates one in the
// user's own data folder, chooses an existing folder or the department's server, or goes on
// without patient records. The choice is kept as the database setting.
bool chooseFirstDatabase(settings::DatabaseSetting& database, QWidget* parent) {
  const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  const QString text =
      "No patient database is set for this workstation yet.\n\n"
      "The program keeps patients, courses and photographs in a database. Create a new one in your own data "
      "folder (" +
      QDir::toNativeSeparators(dataFolder) +
      "), choose the folder of an existing database, or give "
      "the address of the department's database server.\n\n"
      "Cancel starts the program without patient records; the database can be set later on the About tab "
      "(hold Ctrl while double-clicking its box).";
  const int choice = dialogs::choose(parent, QStringLiteral("Patient database"), text,
                                     {QStringLiteral("Create in my data folder"), QStringLiteral("Choose a folder..."),
                                      QStringLiteral("Use the server...")});
  std::optional<QString> setting;
  if (choice == 0) {
    if (!QDir().mkpath(dataFolder)) {
      dialogs::error(parent, "The folder \"" + QDir::toNativeSeparators(dataFolder) +
                                 "\" cannot be made. The program starts without patient records.");
      return false;
    }
    if (!QFileInfo::exists(records::databasePath(dataFolder))) records::createDatabase(dataFolder);
    setting = dataFolder;
  } else if (choice == 1 || choice == 2) {
    setting = chooseDatabaseSetting(parent, QString(), choice == 2);
  }
  if (!setting) return false;
  database.set(*setting);
  settings::writeDBDir(*setting);
  return true;
}

}  // namespace

void connectDatabase(course::OpenCourse& course, settings::DatabaseSetting& database, QWidget* parent,
                     records::Store::ListRead read) {
  // A database server that wants a password asks for it in a box; it is kept in memory only.
  course.setPasswordPrompt([parent](const QString& question) -> std::optional<QString> {
    bool ok = false;
    const QString password =
        // The question names the server as the setting gives it: shown as text, never as markup.
        QInputDialog::getText(parent, QStringLiteral("Database password"), Qt::convertFromPlainText(question),
                              QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return password;
  });
  try {
    if (database.isEmpty() && !chooseFirstDatabase(database, parent)) return;
    if (course.connectDatabase(database.value(), read) != records::Store::ConnectResult::NoDatabase) return;
    const QString path = QDir::toNativeSeparators(records::databasePath(database.value()));
    const QString question = "There is no patient database at\n\"" + path +
                             "\".\n\n"
                             "Create an empty database there now?\n\n"
                             "Choose No if the directory is wrong (for example a network drive that is not connected): "
                             "the program then starts without patient records. Correct the directory on the About tab "
                             "(hold Ctrl while double-clicking it to keep it) and start again.";
    if (!dialogs::askYesNo(parent, "No patient database", question)) return;
    records::createDatabase(database.value());
    course.connectDatabase(database.value(), read);
  } catch (const records::ServerUnreachable& e) {
    dialogs::warning(parent, QStringLiteral("Database server not reached"),
                     "The database server (" + e.server() + ") cannot be reached: " + e.reason() +
                         "\n\nThe program starts without patient records. Check that this workstation is on the "
                         "hospital network and that the server is running, or set another database on the About "
                         "tab (hold Ctrl while double-clicking its box), and start again.");
  } catch (const records::DataError& e) {
    dialogs::error(parent, e.message() + "\n\nThe program starts without patient records.");
  }
}

}  // namespace ui
