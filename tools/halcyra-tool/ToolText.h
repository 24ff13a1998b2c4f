#pragma once
// What halcyra-tool prints of texts it did not write itself: names and NHIs from the database,
// reasons from files and servers. A control character in such a text (a crafted patient file can
// put an escape sequence into a name) would move a terminal's cursor or change the terminal, so it
// is written as a backslash escape (base/OneLine.h).

#include <QString>

struct FactorTables;

namespace tool {

// Prints "halcyra-tool COMMAND: MESSAGE" and a line feed on stderr; every control character of
// the message but line feeds and tabs is written \xHH.
void error(const char* command, const QString& message);

// Writes `text` to stdout as it is (the caller has escaped what it holds).
void out(const QString& text);

// For a subcommand that computes a dose: when `calibration` is a demonstration calibration, says
// so on stderr, "halcyra-tool COMMAND: Demonstration calibration: not for clinical use (FILE)".
void warnIfDemonstration(const char* command, const FactorTables& calibration);

}  // namespace tool
