#pragma once
// How the program writes numbers as text and reads them back: the one place for it.
//
// None of it consults the C library's locale. Qt sets the C library's numeric locale from the
// user's environment, and printf, strtod and number streams then write and read a decimal comma
// in much of Europe; here the digits come from std::to_chars and std::from_chars, which always use
// a point, and only then is the separator a reader expects put in.
//
// The window writes the program's fixed formats with the user's decimal separator: "%D" a whole
// number, "%5.0F" width 5 without decimals, "%6.1F" and "%3.1F" one decimal, "%F" two decimals.
// It reads typed numbers in the user's locale, a point being accepted too. The command-line tool
// and stored texts always use a point (Point()).

#include <QLocale>
#include <QString>
#include <cstdint>
#include <string>

namespace fmt {

// "%D": a whole number in decimal, a minus sign when negative, no padding, no digit grouping.
QString D(std::int64_t value);

// Fixed notation with `decimals` digits after the separator, right-aligned in at least `width`
// characters, the separator being `locale`'s. A value exactly half-way between two results
// rounds away from zero.
// "%5.0F" is Fixed(v, 5, 0); "%6.1F" is Fixed(v, 6, 1); "%3.1F" is Fixed(v, 3, 1); "%F" is Fixed(v, 0, 2).
QString Fixed(long double value, int width, int decimals, const QLocale& locale = QLocale());

// The locale whose decimal separator is a point, for texts that must read the same everywhere.
inline QLocale Point() { return QLocale::c(); }

// The shortest text of printf's "%.<significant>g" in the C locale ("%.17g" gives every double
// back exactly, "%.9g" every float): "0.10000000000000001", "1e+22", "-0", "nan", "inf".
std::string General(double value, int significant);
QString GeneralText(double value, int significant);
// The same digits with `locale`'s decimal separator and no digit grouping, for a reader.
QString GeneralShown(double value, int significant, const QLocale& locale = QLocale());

struct Real {
  double value = 0;    // 0 when the text is not a number
  bool valid = false;  // the whole text was one number
};
struct Whole {
  std::int32_t value = 0;  // 0 when the text is not a whole number
  bool valid = false;
};

// A real number: leading blanks, an optional sign, digits with an optional decimal separator
// (a point, or `locale`'s own), an optional exponent, and nothing after it. Infinite results and
// texts without a digit are not valid.
Real parseReal(const QString& text, const QLocale& locale = QLocale());

// A real number whose separator is a point only: arguments of the command-line tool.
inline Real parsePointReal(const QString& text) { return parseReal(text, Point()); }

// A real number written with a point or a comma, whatever the reader's locale: texts of files
// written by other programs on machines of any language.
Real parseRealPointOrComma(const QString& text);

// A whole number of the signed 32-bit range: leading blanks, an optional sign, decimal digits,
// and nothing after them. A number outside the range is not valid.
Whole parseWhole(const QString& text);

// Case folding that does not depend on the language: only A..Z become a..z. File-name extensions
// and other names the program defines compare through it, so that "photo.jpg" is a JPEG file in a
// Turkish locale too.
QString asciiLower(QString text);
QString asciiUpper(QString text);

}  // namespace fmt
