// halcyra-tool: the command-line companion of the program for clinical engineers and
// administrators. Every subcommand calls the same code as the window.

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <map>
#include <string>

#include "Command.h"

namespace {
struct Entry {
  std::string usage;
  CommandFn fn;
};
std::map<std::string, Entry>& registry() {
  static std::map<std::string, Entry> commands;
  return commands;
}
void usage(std::FILE* to) {
  std::fprintf(to, "usage: halcyra-tool COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, entry] : registry()) std::fprintf(to, "  %s\n", entry.usage.c_str());
}
}  // namespace

RegisterCommand::RegisterCommand(const char* name, const char* usage, CommandFn fn) {
  registry()[name] = Entry{usage, fn};
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // Qt SQL and the image readers need an application object
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
  CommandArgs args(argv + 2, argv + argc);
  return it->second.fn(args);
}
