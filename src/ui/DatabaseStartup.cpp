#include "shell/DatabaseStartup.h"

#include <QDir>

#include "records/Data.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "base/AppState.h"
#include "shell/Dialogs.h"

void connectDataModule(TDataPatient& data, QWidget* parent) {
  try {
    if (data.DataModuleCreate() != TDataPatient::ConnectResult::NoDatabase) return;
    const QString path = QDir::toNativeSeparators(records::databasePath(DBDir));
    const QString question =
        "There is no patient database at\n\"" + path + "\".\n\n"
        "Create an empty database there now?\n\n"
        "Choose No if the directory is wrong (for example a network drive that is not connected): "
        "the program then starts without patient records. Correct the directory on the About tab "
        "(hold Ctrl while double-clicking it to keep it) and start again.";
    if (!dialogs::askYesNo(parent, "No patient database", question)) return;
    records::createDatabase(DBDir);
    data.DataModuleCreate();
  } catch (const records::DataError& e) {
    dialogs::error(parent, e.message() + "\n\nThe program starts without patient records.");
  }
}
