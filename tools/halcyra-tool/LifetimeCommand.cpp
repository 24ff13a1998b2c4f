// halcyra-tool lifetime: a patient's lifetime exposure to UV over all courses.
//
//   lifetime DIR NHI
//
// Prints three lines: "treatments<TAB>N" (the recorded treatments of all courses), "dose<TAB>X"
// (the sum of their delivered doses in mJ/cm2, 9 significant digits) and "courses<TAB>C". Exit
// status 0 on success, 1 when the database cannot be opened or no patient has the NHI, 2 for wrong
// arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "base/Formats.h"
#include "records/DataError.h"
#include "records/Lifetime.h"
#include "records/Store.h"

namespace {

constexpr const char* kUsage = "lifetime DIR NHI";

int run(const CommandArgs& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString nhi = QString::fromLocal8Bit(args[1].c_str());
  records::Store data;
  if (!openToolDatabase(data, QString::fromLocal8Bit(args[0].c_str()), "lifetime")) return 1;
  try {
    data.listOnlyNhi(nhi);
    if (data.patients.isEmpty()) {
      tool::error("lifetime", QStringLiteral("no patient has the NHI \"%1\"").arg(nhi));
      return 1;
    }
    const treatment::Exposure e = records::lifetimeExposure(data);
    std::printf("treatments\t%d\ndose\t%s\ncourses\t%d\n", e.treatments, fmt::General(e.dose, 9).c_str(), e.courses);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const records::DataError& e) {
    tool::error("lifetime", e.message());
    return 1;
  }
}

const RegisterCommand reg{"lifetime", kUsage, &run};

}  // namespace
