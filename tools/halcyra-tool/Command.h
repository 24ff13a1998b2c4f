#pragma once
// The subcommands of halcyra-tool. Each lives in its own file and registers itself:
//
//   static const RegisterCommand reg{"factors", "factors show FILE | factors write DESCRIPTION OUT", &run};
//
// A subcommand gets its arguments after its own name and returns the process exit status. One
// that draws (the printed report) asks for a graphical application object; it runs on Qt's
// offscreen platform, so that no display is needed.

#include <functional>
#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;
using CommandFn = int (*)(const CommandArgs& args);

enum class Drawing { No, Yes };

struct RegisterCommand {
  RegisterCommand(const char* name, const char* usage, CommandFn fn, Drawing drawing = Drawing::No);
};
