// halcyra-tool estimate: the MED estimates the window shows for an age, for every skin type.
//
//   estimate --factors FILE --age YEARS
//
// Prints "effective_age<TAB>a", then for skin types 1 to 6 one line "type<TAB>Sensitive<TAB>
// Average<TAB>In-Sensitive", every number with 17 significant digits. Exit status 0 on success,
// 1 when the factor file cannot be read or holds values that cannot be a calibration
// (dosing/CalibrationCheck.h), 2 for wrong arguments. A demonstration calibration is named on
// stderr.

#include <QString>
#include <cstdio>
#include <map>

#include "Command.h"
#include "NumberArguments.h"
#include "ToolText.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/FactorFile.h"
#include "dosing/MedEstimate.h"

namespace {

constexpr const char* kUsage = "estimate --factors FILE --age YEARS";

int usage(const char* problem) {
  std::fprintf(stderr, "halcyra-tool estimate: %s\nusage: halcyra-tool %s\n", problem, kUsage);
  return 2;
}

int run(const CommandArgs& args) {
  std::map<std::string, std::string> options;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (name != "--factors" && name != "--age") return usage(("unknown option " + name).c_str());
    if (i + 1 >= args.size()) return usage(("missing value after " + name).c_str());
    if (!options.emplace(name, args[i + 1]).second) return usage(("repeated option " + name).c_str());
  }
  if (!options.count("--factors") || !options.count("--age")) return usage("--factors and --age are required");
  const QString ageText = QString::fromLocal8Bit(options["--age"].c_str());
  if (const auto problem = clinicalArgumentProblem("--age", limits::kAge, ageText)) return usage(problem->c_str());
  const fmt::Real age = fmt::parsePointReal(ageText);

  FactorTables tables;
  try {
    tables = dosing::readCalibration(QString::fromLocal8Bit(options["--factors"].c_str()));
  } catch (const dosing::FactorFileError& e) {
    std::fprintf(stderr, "%s\n", text::printable(e.message()).toLocal8Bit().constData());
    return 1;
  }
  tool::warnIfDemonstration("estimate", tables);

  const double a = dosing::effectiveAge(age.value);
  const dosing::ToneEstimates e = dosing::estimateTones(tables, a);
  std::printf("effective_age\t%s\n", fmt::General(a, 17).c_str());
  for (int t = 0; t < dosing::kSkinTypes; ++t)
    std::printf("%d\t%s\t%s\t%s\n", t + 1, fmt::General(e.sensitiveMeds[t], 17).c_str(),
                fmt::General(e.averageMeds[t], 17).c_str(), fmt::General(e.insensitiveMeds[t], 17).c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const RegisterCommand reg{"estimate", kUsage, &run};

}  // namespace
