// halcyra-tool factors: prints a dose factor file as text, and writes one from such a text.
//
//   factors show FILE               every field, one "name<TAB>value" line each, on stdout
//   factors write DESCRIPTION OUT   a factor file from a description (Logo given as a BMP path)
//
// Exit status 0 on success, 1 when a file cannot be read or written or the description is not
// valid (the message on stderr names the file and line), 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "base/OneLine.h"
#include "dosing/FactorDescription.h"
#include "dosing/FactorFile.h"

namespace {

constexpr const char* kUsage = "factors show FILE | factors write DESCRIPTION OUT";

int fail(const QString& message) {
  std::fprintf(stderr, "%s\n", text::printable(message).toLocal8Bit().constData());
  return 1;
}

int show(const QString& path) {
  try {
    const QByteArray text = dosing::describeFactors(dosing::readFactorFile(path)).toUtf8();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const dosing::FactorFileError& e) {
    return fail(e.message());
  }
}

int write(const QString& descriptionPath, const QString& outPath) {
  try {
    const dosing::FactorDescription d = dosing::readFactorDescription(descriptionPath);
    dosing::writeFactorFile(outPath, d.tables, d.logoBmp);
    return 0;
  } catch (const dosing::FactorDescriptionError& e) {
    return fail(e.message());
  } catch (const dosing::FactorFileError& e) {
    return fail(e.message());
  }
}

int run(const CommandArgs& args) {
  if (args.size() == 2 && args[0] == "show") return show(QString::fromLocal8Bit(args[1].c_str()));
  if (args.size() == 3 && args[0] == "write") {
    return write(QString::fromLocal8Bit(args[1].c_str()), QString::fromLocal8Bit(args[2].c_str()));
  }
  std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
  return 2;
}

const RegisterCommand reg{"factors", kUsage, &run};

}  // namespace
