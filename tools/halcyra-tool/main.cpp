// halcyra-tool: the command-line companion of the program for clinical engineers and
// administrators. Every subcommand calls the same code as the window.

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "Command.h"
#include "records/AuditTrail.h"

namespace {
struct Entry {
  std::string usage;
  CommandFn fn;
  Drawing drawing;
};
std::map<std::string, Entry>& registry() {
  static std::map<std::string, Entry> commands;
  return commands;
}
void usage(std::FILE* to) {
  std::fprintf(to, "usage: halcyra-tool COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, entry] : registry()) std::fprintf(to, "  %s\n", entry.usage.c_str());
  std::fprintf(to,
               "\nDIR (FROM, TO): a folder with the database file, or a database server as\n"
               "  postgresql://[user@][host][:port]/dbname[?param=value...]; the password comes from\n"
               "  ~/.pgpass or PGPASSWORD, or is asked on the terminal (never put it in the address).\n");
}
}  // namespace

RegisterCommand::RegisterCommand(const char* name, const char* usage, CommandFn fn, Drawing drawing) {
  registry()[name] = Entry{usage, fn, drawing};
}

int main(int argc, char** argv) {
  // Qt SQL and the image readers need an application object; drawing (fonts, the chart) a
  // graphical one, which draws on the offscreen platform: the tool never shows a window.
  const auto found = argc >= 2 ? registry().find(argv[1]) : registry().end();
  std::unique_ptr<QCoreApplication> app;
  if (found != registry().end() && found->second.drawing == Drawing::Yes) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  // The tool prints the same bytes in every locale: figures with a point. Qt has just set the C
  // library's numeric locale from the environment; take it back, and make the point Qt's default
  // too. A subcommand that writes for a reader (the printed report) asks for QLocale::system().
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const auto it = registry().find(argv[1]);
  if (it == registry().end()) {
    std::fprintf(stderr, "halcyra-tool: unknown command '%s'\n\n", argv[1]);
    usage(stderr);
    return 2;
  }
  // Every change a subcommand stores is recorded in the audit trail as made by it.
  records::setAuditProgram(QStringLiteral("halcyra-tool ") + QString::fromLocal8Bit(argv[1]));
  CommandArgs args(argv + 2, argv + argc);
  return it->second.fn(args);
}
