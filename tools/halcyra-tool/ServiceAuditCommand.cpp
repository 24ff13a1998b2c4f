// halcyra-tool service-audit: the department's audit of a period, as the window's "Department
// audit..." works it out.
//
//   service-audit DIR --from YYYY-MM-DD --to YYYY-MM-DD [--threshold N] [--factors FILE]
//                 [--csv FILE] [--output FILE.pdf]
//
// Reads every course of the store once, a page at a time (the workstations go on working), and
// prints one figure a line, "name<TAB>value", numbers with a point (audit/AuditLines.h has the
// names, their order and their forms), then an "over" line per patient due a lifetime review and
// a "grade3" line per grade III burn of the period. Both days of the period count. The review
// threshold is --threshold N, or else the setting LifetimeReviewThreshold; without either the
// threshold figure is "-". --csv writes the same lines as a CSV file, --output the audit as a PDF
// report (dated today, in the process's language, naming the calibration --factors gives).
//
// Exit status 0 on success; 1 when the store cannot be read, the factor file cannot be read or a
// file cannot be written (the message says which and why); 2 for wrong arguments (a date that is
// not a date, --to before --from, a threshold that is not a whole number of at least 1).

#include <QDate>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "audit/AuditFile.h"
#include "audit/AuditLines.h"
#include "audit/AuditReport.h"
#include "audit/StoreAudit.h"
#include "base/Formats.h"
#include "base/Settings.h"
#include "dosing/FactorFile.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "report/PdfWriter.h"

namespace {

constexpr const char* kUsage =
    "service-audit DIR --from YYYY-MM-DD --to YYYY-MM-DD [--threshold N] [--factors FILE] [--csv FILE] "
    "[--output FILE.pdf]";

int usage(const std::string& problem) {
  std::fprintf(stderr, "halcyra-tool service-audit: %s\nusage: halcyra-tool %s\n", problem.c_str(), kUsage);
  return 2;
}

int fail(const QString& reason) {
  std::fprintf(stderr, "halcyra-tool service-audit: %s\n", reason.toLocal8Bit().constData());
  return 1;
}

int run(const CommandArgs& args) {
  std::vector<QString> positional;
  std::map<std::string, QString> options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--from" || a == "--to" || a == "--threshold" || a == "--factors" || a == "--csv" || a == "--output") {
      if (i + 1 >= args.size()) return usage("missing value after " + a);
      if (!options.emplace(a, QString::fromLocal8Bit(args[++i].c_str())).second) return usage("repeated option " + a);
    } else if (a.rfind("--", 0) == 0) {
      return usage("unknown option " + a);
    } else {
      positional.push_back(QString::fromLocal8Bit(a.c_str()));
    }
  }
  if (positional.size() != 1) return usage("one DIR is needed");
  audit::Period period;
  for (const char* option : {"--from", "--to"}) {
    if (!options.count(option)) return usage(std::string(option) + " is required");
    const QString text = options[option];
    const QDate date = audit::parseIsoDate(text);
    if (!date.isValid()) return usage(std::string(option) + " \"" + text.toStdString() + "\" is not a date YYYY-MM-DD");
    (std::string(option) == "--from" ? period.from : period.to) = date;
  }
  if (period.to < period.from) {
    return usage("--to " + audit::isoDate(period.to).toStdString() + " is before --from " +
                 audit::isoDate(period.from).toStdString());
  }
  std::optional<int> threshold = settings::readLifetimeReviewThreshold();
  if (options.count("--threshold")) {
    const fmt::Whole n = fmt::parseWhole(options["--threshold"]);
    if (!n.valid || n.value < 1)
      return usage("--threshold \"" + options["--threshold"].toStdString() +
                   "\" is not a whole number of treatments, 1 or more");
    threshold = n.value;
  }
  QString calibration;
  if (options.count("--factors")) {
    calibration = QFileInfo(options["--factors"]).absoluteFilePath();
    try {
      (void)dosing::readFactorFile(calibration);  // the department's calibration, not any file
    } catch (const dosing::FactorFileError& e) {
      return fail(e.message());
    }
  }

  std::optional<audit::Figures> figures;
  try {
    records::Connection store;
    records::openStore(store, positional[0]);
    figures = audit::auditStore(store, period, threshold);
  } catch (const records::DataError& e) {
    return fail(e.message());
  }

  const QByteArray out = audit::toolText(audit::auditLines(*figures, fmt::Point()));
  std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
  if (std::fflush(stdout) != 0) return 1;
  try {
    if (options.count("--csv"))
      audit::writeAuditFile(options["--csv"], audit::csvText(audit::auditLines(*figures, fmt::Point())));
    if (options.count("--output")) {
      const QLocale reader = QLocale::system();
      report::writePdf(audit::prepareAuditReport(*figures, calibration, QDate::currentDate(), reader),
                       QFileInfo(options["--output"]).absoluteFilePath());
    }
  } catch (const records::DataError& e) {
    return fail(e.message());
  } catch (const std::exception& e) {
    return fail(QString::fromUtf8(e.what()));
  }
  return 0;
}

const RegisterCommand reg{"service-audit", kUsage, &run};

}  // namespace
