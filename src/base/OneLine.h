#pragma once
// Text written for a reader who takes it one line at a time (the tool's tab-separated output, the
// audit trail): a line feed, a tab or any other control character inside a value would split a
// record or move a terminal's cursor, so each is written as a backslash escape.

#include <QString>
#include <QStringView>

namespace text {

// A backslash is written \\, a line feed \n, a carriage return \r, a tab \t, and every other
// control character (C0, DEL, C1) as \xHH; everything else stays as it is.
QString oneLine(QStringView value);

// oneLine in double quotes, a double quote inside written \": a text value that may be empty
// or hold separators.
QString quotedOneLine(QStringView value);

// Every control character but the line feed and the tab written \xHH, backslashes left alone: a
// message of several lines (a server's, with its detail) printed on a terminal, where an escape
// sequence from a file or a server could otherwise move the cursor or change the terminal.
QString printable(QStringView value);

// Only the control characters written \xHH (line breaks and tabs too), backslashes left alone: for
// text that is one line by construction (its own escapes in it) but was read back from a store
// that others may write as well.
QString controlsEscaped(QStringView value);

// A one-line field of the window or the record (a name, a telephone number, a diagnosis): a tab,
// a line break or any other control character pasted into it would split the line on screen and
// in the report, so each run of them becomes a single blank. Everything else stays as it is.
QString blanked(QStringView value);

}  // namespace text
