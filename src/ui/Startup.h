#pragma once
// The start of the program: the calibration first (without it no estimate can be trusted, so the
// program does not go on), then the patient database. The program never creates a database on its
// own: when the database directory holds none, the user is asked, with the full path named,
// whether to create an empty one there; otherwise the program goes on without a connection. When
// no database is set at all (the first start of an installed program), the user chooses one: a
// new one in the user's own data folder, an existing folder, or the department's server.

#include <optional>

#include "base/Directories.h"
#include "dosing/FactorTables.h"
#include "records/Store.h"

class QWidget;
namespace course {
class OpenCourse;
}

namespace ui {

// Reads the dose factor file from the start-up directory `startDir`. When it cannot be read, or holds a value
// that cannot be a calibration (dosing/CalibrationCheck.h), says so in a box on `parent` (the file's
// full path, the reason or the value, where to put the file) and gives nothing.
std::optional<FactorTables> readCalibration(QWidget* parent, const QString& startDir);

// Connects the open course to the database `database` names; when none is set yet, the user's
// choice becomes the setting (announced to whoever shows it) and is kept for the next start. Problems are shown in boxes on `parent`;
// start-up continues in every case (without a connection when none could be made). The patient
// list is read as `read` says (the program's start reads it in the background).
void connectDatabase(course::OpenCourse& course, settings::DatabaseSetting& database, QWidget* parent,
                     records::Store::ListRead read = records::Store::ListRead::Now);

}  // namespace ui
