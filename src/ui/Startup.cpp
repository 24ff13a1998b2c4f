#include "ui/Startup.h"

#include <QDir>
#include <QInputDialog>
#include <QLineEdit>

#include "base/Directories.h"
#include "course/OpenCourse.h"
#include "dosing/FactorFile.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "ui/Dialogs.h"

namespace ui {

std::optional<FactorTables> readCalibration(QWidget* parent) {
  try {
    return dosing::readFactorFile(QDir::current().absoluteFilePath(dosing::kFactorFileName));
  } catch (const std::exception& e) {
    dialogs::error(parent, QString::fromUtf8(e.what()) +
                               "\n\nThe dose factor file \"UVB_Factors.Dat\" calibrates every MED estimate; "
                               "without it the program cannot work and will close. Place the file in the "
                               "program's start-up directory (" + QDir::toNativeSeparators(StartDir) +
                               ") and start again.");
    return std::nullopt;
  }
}

void connectDatabase(course::OpenCourse& course, QWidget* parent) {
  // A database server that wants a password asks for it in a box; it is kept in memory only.
  course.setPasswordPrompt([parent](const QString& question) -> std::optional<QString> {
    bool ok = false;
    const QString password =
        QInputDialog::getText(parent, QStringLiteral("Database password"), question, QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return password;
  });
  try {
    if (course.connectDatabase() != TDataPatient::ConnectResult::NoDatabase) return;
    const QString path = QDir::toNativeSeparators(records::databasePath(DBDir));
    const QString question =
        "There is no patient database at\n\"" + path + "\".\n\n"
        "Create an empty database there now?\n\n"
        "Choose No if the directory is wrong (for example a network drive that is not connected): "
        "the program then starts without patient records. Correct the directory on the About tab "
        "(hold Ctrl while double-clicking it to keep it) and start again.";
    if (!dialogs::askYesNo(parent, "No patient database", question)) return;
    records::createDatabase(DBDir);
    course.connectDatabase();
  } catch (const records::DataError& e) {
    dialogs::error(parent, e.message() + "\n\nThe program starts without patient records.");
  }
}

}  // namespace ui
