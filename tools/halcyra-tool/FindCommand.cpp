// halcyra-tool find: lists the patients a search in the window would list.
//
//   find DIR [--nhi TEXT] [--surname TEXT] [--mask N]
//
// Opens the database in DIR as the program does, runs the patient search (NHI begins with TEXT,
// surname contains TEXT, course status mask N from 0 to 7, default 7 = any status) and prints the
// NHI of each listed patient, one per line, in list order. With neither text, only patients with
// at least one course are listed, as in the window. Exit status 0 on success, 1 when the database
// cannot be opened (the message on stderr names the file), 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/Store.h"

namespace {

constexpr const char* kUsage = "find DIR [--nhi TEXT] [--surname TEXT] [--mask N]";

int usage() {
  std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
  return 2;
}

int run(const CommandArgs& args) {
  if (args.empty()) return usage();
  const QString dir = QString::fromLocal8Bit(args[0].c_str());
  QString nhi, surname;
  int mask = 7;
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage();
    const QString value = QString::fromLocal8Bit(args[i + 1].c_str());
    if (args[i] == "--nhi") {
      nhi = value;
    } else if (args[i] == "--surname") {
      surname = value;
    } else if (args[i] == "--mask") {
      const fmt::Whole m = fmt::parseWhole(value);
      if (!m.valid || m.value < 0 || m.value > 7) {
        std::fprintf(stderr, "halcyra-tool find: --mask takes a whole number from 0 to 7\n");
        return 2;
      }
      mask = m.value;
    } else {
      return usage();
    }
  }

  records::Store data;
  if (!openToolDatabase(data, dir, "find")) return 1;
  try {
    data.findPatients(nhi, surname, static_cast<std::uint8_t>(mask));
    const records::ControlsDisabled quiet(data.patients);
    QByteArray out;
    for (data.patients.first(); !data.patients.eof(); data.patients.next()) {
      out += text::oneLine(data.patientNhi.asString()).toUtf8();
      out += '\n';
    }
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const records::DataError& e) {
    tool::error("find", e.message());
    return 1;
  }
}

const RegisterCommand reg{"find", kUsage, &run};

}  // namespace
