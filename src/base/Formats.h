#pragma once
// How the program writes numbers into the window and reads them back.
//
// Writing follows printf-like formats: "%D" a whole number, "%5.0F" width 5 without decimals,
// "%6.1F" and "%3.1F" one decimal, "%F" two decimals; the decimal separator is the locale's.
// Reading skips leading blanks, accepts one sign and tells whether the whole text was a number.

#include <QLocale>
#include <QString>
#include <cstdint>

namespace fmt {

// "%D": a whole number in decimal, a minus sign when negative, no padding.
QString D(std::int64_t value);

// Fixed notation with `decimals` digits after the separator, right-aligned in at least `width`
// characters. A value exactly half-way between two results rounds away from zero.
// "%5.0F" is Fixed(v, 5, 0); "%6.1F" is Fixed(v, 6, 1); "%3.1F" is Fixed(v, 3, 1); "%F" is Fixed(v, 0, 2).
QString Fixed(long double value, int width, int decimals, const QLocale& locale = QLocale());

struct Real {
  double value = 0;   // 0 when the text is not a number
  bool valid = false; // the whole text was one number
};
struct Whole {
  std::int32_t value = 0;  // 0 when the text is not a whole number
  bool valid = false;
};

// A real number: leading blanks, an optional sign, digits with an optional decimal separator
// (a point, or the locale's own), an optional exponent, and nothing after it.
Real parseReal(const QString& text, const QLocale& locale = QLocale());

// A whole number of the signed 32-bit range: leading blanks, an optional sign, decimal digits,
// and nothing after them. A number outside the range is not valid.
Whole parseWhole(const QString& text);

}  // namespace fmt
