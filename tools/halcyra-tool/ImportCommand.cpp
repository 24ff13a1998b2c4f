// halcyra-tool import: imports patient files of the older system (*.UVB) into a database, as the
// Bulk Import tab does.
//
//   import DIR FILE...
//
// Opens the database in DIR as the program does and imports the files in the order given, with the
// same code as the window (there is no pause between files: there is no window to repaint). Prints
// the window's log: for each file its name and its index from 0, a skipped file's reason under its
// line, and a summary at the end. Exit status 0 when every file was imported, 1 when any was
// skipped or the database cannot be opened (the message on stderr names the file), 2 for wrong
// arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "base/OneLine.h"
#include "course/OpenCourse.h"
#include "records/DataError.h"
#include "records/LegacyImport.h"

namespace {

constexpr const char* kUsage = "import DIR FILE...";

void printLine(const QString& line) {
  // A log line names a file and what it holds: no control character of it reaches the terminal.
  const QByteArray bytes = text::controlsEscaped(line).toLocal8Bit() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  std::fflush(stdout);  // the log keeps pace with the work, as the window's does
}

int run(const CommandArgs& args) {
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  course::OpenCourse open;
  if (!openToolDatabase(open, QString::fromLocal8Bit(args[0].c_str()), "import")) return 1;
  QObject::connect(&open, &course::OpenCourse::logLine, printLine);  // a surname cut to fit is noted
  try {
    int imported = 0;
    int skipped = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const QString path = QString::fromLocal8Bit(args[i].c_str());
      printLine(records::legacyFileLine(path, static_cast<int>(i - 1)));
      const records::LegacyImport result = open.importFile(path);
      if (result.imported()) {
        ++imported;
      } else {
        ++skipped;
        printLine(records::legacySkipLine(result));
      }
    }
    printLine(records::legacySummaryLine(imported, skipped));
    return skipped == 0 ? 0 : 1;
  } catch (const course::Error& e) {
    tool::error("import", e.message());
    return 1;
  } catch (const records::DataError& e) {
    tool::error("import", e.message());
    return 1;
  }
}

const RegisterCommand reg{"import", kUsage, &run};

}  // namespace
