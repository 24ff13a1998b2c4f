#include "ToolDatabase.h"

#include <string.h>
#include <termios.h>
#include <unistd.h>
#include <QByteArray>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

#include "ToolText.h"
#include "course/OpenCourse.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/Store.h"

namespace {

bool report(const std::function<records::Store::ConnectResult()>& connect, const QString& dir, const char* command) {
  warnAboutConnection(dir, command);
  try {
    switch (connect()) {
      case records::Store::ConnectResult::NoDirectory:
        std::fprintf(stderr, "halcyra-tool %s: no database directory given\n", command);
        return false;
      case records::Store::ConnectResult::NoDatabase:
        tool::error(command, QStringLiteral("there is no database %1 (create one with halcyra-tool init-db)")
                                 .arg(records::databasePath(dir)));
        return false;
      case records::Store::ConnectResult::Connected: return true;
    }
  } catch (const records::DataError& e) {
    tool::error(command, e.message());
  }
  return false;
}

// The terminal's settings while the password is typed, put back if the user breaks off meanwhile.
struct termios savedTerminal;
volatile std::sig_atomic_t echoOff = 0;

extern "C" void restoreTerminal(int signal) {
  if (echoOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

bool openToolDatabase(records::Store& data, const QString& dir, const char* command) {
  data.passwordPrompt = terminalPasswordPrompt();
  return report([&data, &dir] { return data.open(dir); }, dir, command);
}

bool openToolDatabase(course::OpenCourse& course, const QString& dir, const char* command) {
  course.setPasswordPrompt(terminalPasswordPrompt());
  return report([&course, &dir] { return course.connectDatabase(dir); }, dir, command);
}

records::PasswordPrompt terminalPasswordPrompt() {
  if (!::isatty(STDIN_FILENO)) return {};
  return [](const QString& question) -> std::optional<QString> {
    if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return std::nullopt;
    struct termios quiet = savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    auto* oldInt = std::signal(SIGINT, restoreTerminal);
    auto* oldTerm = std::signal(SIGTERM, restoreTerminal);
    echoOff = 1;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    // Asked only once echo is off and what was typed ahead is gone, so that an answer typed as soon
    // as the question shows is neither shown nor thrown away.
    std::fprintf(stderr, "%s ", question.toLocal8Bit().constData());
    std::fflush(stderr);
    // Read straight from the terminal, a byte at a time, so that no copy stays behind in stdio's
    // buffer of standard input after the line below is cleared.
    char line[1024];
    std::size_t length = 0;
    bool read = false;
    for (char c; length + 1 < sizeof line;) {
      const ssize_t got = ::read(STDIN_FILENO, &c, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      read = true;
      if (c == '\n') break;
      line[length++] = c;
    }
    line[length] = '\0';
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    echoOff = 0;
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    std::optional<QString> password;
    if (read) {
      std::size_t n = length;
      while (n > 0 && line[n - 1] == '\r') --n;
      password = QString::fromLocal8Bit(line, static_cast<qsizetype>(n));
    }
    ::explicit_bzero(line, sizeof line);  // the typed bytes go as soon as they are a string
    return password;
  };
}

void warnAboutConnection(const QString& dirOrUri, const char* command) {
  if (!records::isServerUri(dirOrUri)) return;
  const QString warning = records::parseStoreLocation(dirOrUri).tlsWarning();
  if (!warning.isEmpty())
    std::fprintf(stderr, "halcyra-tool %s: warning: %s\n", command, warning.toLocal8Bit().constData());
}
