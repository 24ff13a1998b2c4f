// halcyra-tool plan: the treatment plan the window shows for an age, a skin type and an MED.
//
//   plan --factors FILE --skin-type INDEX --age YEARS --med TEXT [--inc LIST]
//
// Runs what a therapist does on an open course: types the age and leaves the age box, chooses
// item INDEX of the skin-type list (-1 none, 0..5 types I..VI, 6 "Agressive"), types the 29
// comma-separated texts of LIST into the "% Inc" cells of treatments 1 to 29 (an empty text empties
// the cell), then types TEXT into the MED box and leaves it. It drives the same dosing session as
// the window and prints:
//   29 lines "row<TAB>planned dose<TAB>erythema dose" (texts without padding, empty cells empty),
//   "class<TAB>n" (the skin-tone class), "print<TAB>1|0" (whether Print is enabled),
//   one "warning<TAB>caption<TAB>text" line per warning box in order, line feeds written as \n.
// Exit status 0 on success, 1 when the factor file cannot be read or holds values that cannot be
// a calibration (dosing/CalibrationCheck.h), 2 for wrong arguments. A demonstration calibration is
// named on stderr.

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <map>

#include "Command.h"
#include "NumberArguments.h"
#include "ToolText.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/DosingSession.h"
#include "dosing/FactorFile.h"

namespace {

constexpr const char* kUsage = "plan --factors FILE --skin-type INDEX --age YEARS --med TEXT [--inc LIST]";

int usage(const std::string& problem) {
  std::fprintf(stderr,
               "halcyra-tool plan: %s\nusage: halcyra-tool %s\n"
               "  INDEX  -1 none, 0..5 skin types I..VI, 6 Agressive\n"
               "  LIST   29 comma-separated \"%% Inc\" texts for treatments 1..29\n",
               problem.c_str(), kUsage);
  return 2;
}

void print(const QString& text) { std::fputs(text.toUtf8().constData(), stdout); }

int run(const CommandArgs& args) {
  static const char* const known[] = {"--factors", "--skin-type", "--age", "--med", "--inc"};
  std::map<std::string, QString> options;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (std::find(std::begin(known), std::end(known), name) == std::end(known)) return usage("unknown option " + name);
    if (i + 1 >= args.size()) return usage("missing value after " + name);
    if (!options.emplace(name, QString::fromLocal8Bit(args[i + 1].c_str())).second)
      return usage("repeated option " + name);
  }
  for (const char* required : {"--factors", "--skin-type", "--age", "--med"})
    if (!options.count(required)) return usage(std::string(required) + " is required");

  const fmt::Whole item = fmt::parseWhole(options["--skin-type"]);
  if (!item.valid || item.value < -1 || item.value > 6) return usage("the skin type must be -1 (none) or 0..6");
  // The window refuses an age or an MED outside the clinical limits, and so does the tool. An
  // empty MED is the MED box left empty: no plan.
  if (const auto problem = clinicalArgumentProblem("--age", limits::kAge, options["--age"])) return usage(*problem);
  if (const auto problem = clinicalArgumentProblem("--med", limits::kMed, options["--med"], true))
    return usage(*problem);
  QStringList increments;
  if (options.count("--inc")) {
    increments = options["--inc"].split(QLatin1Char(','));
    if (increments.size() != kTreatments)
      return usage("--inc needs 29 comma-separated texts, got " + std::to_string(increments.size()));
    // A text that is no whole number is kept, as a "% Inc" cell keeps it (its row is skipped); a
    // whole number outside the limits is refused, as the window refuses it.
    for (int row = 1; row <= kTreatments; ++row) {
      const QString& cell = increments[row - 1];
      const limits::Reading r = limits::readPoint(limits::incrementLimit(row), cell);
      if (r.problem != limits::Problem::TooSmall && r.problem != limits::Problem::TooLarge) continue;
      return usage(*clinicalArgumentProblem("--inc", limits::incrementLimit(row), cell, false,
                                            QStringLiteral("\"% Inc\" of treatment %1").arg(row)));
    }
  }

  FactorTables tables;
  try {
    tables = dosing::readCalibration(options["--factors"]);
  } catch (const dosing::FactorFileError& e) {
    std::fprintf(stderr, "%s\n", text::printable(e.message()).toLocal8Bit().constData());
    return 1;
  }
  tool::warnIfDemonstration("plan", tables);

  // As with a course open: every edit is planned.
  dosing::DosingSession session(std::move(tables));
  const QString comboText = dosing::skinTypeText(item.value);

  session.enterAge(options["--age"]);
  session.chooseSkinType(item.value);
  QString medBox;  // the MED box of the course is empty until the MED is typed
  if (!increments.isEmpty()) {
    for (int r = 0; r < kTreatments; ++r) {
      session.setIncrement(r, increments[r]);
      // The plan follows every edit of the grid as it is typed; with the MED box still empty
      // nothing is computed and no box is shown.
      session.planForMed(medBox, comboText);
    }
  }
  medBox = options["--med"];
  const std::vector<dosing::PlanWarning> warnings = session.planForMed(medBox, comboText);

  for (int r = 0; r < kTreatments; ++r)
    print(QStringLiteral("%1\t%2\t%3\n")
              .arg(r + 1)
              .arg(session.grid().dose[r].trimmed(), session.grid().erythema[r].trimmed()));
  print(QStringLiteral("class\t%1\nprint\t%2\n").arg(session.toneClass()).arg(session.printEnabled() ? 1 : 0));
  for (const dosing::PlanWarning& w : warnings) {
    QString text = w.text;
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    print(QStringLiteral("warning\t%1\t%2\n").arg(w.caption, text));
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const RegisterCommand reg{"plan", kUsage, &run};

}  // namespace
