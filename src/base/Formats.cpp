#include "base/Formats.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace fmt {

QString D(std::int64_t value) { return QString::number(value); }

namespace {

// Digits of |value| rounded to `decimals` places, half away from zero, as "123.4".
std::string roundedDigits(long double magnitude, int decimals) {
  // 40 fraction digits show whether the value lies exactly on a tie: no finite double or
  // extended value of a size met here comes within 1e-40 of a tie without being one.
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.40Lf", magnitude);
  std::string s(buf);
  const auto dot = s.find('.');
  std::string intPart = s.substr(0, dot);
  std::string frac = s.substr(dot + 1);
  std::string kept = intPart + frac.substr(0, decimals);
  const bool roundUp = frac[decimals] >= '5';
  if (roundUp) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) ++kept[i]; else kept.insert(kept.begin(), '1');
  }
  const std::size_t intLen = kept.size() - decimals;
  std::string out = kept.substr(0, intLen);
  if (decimals > 0) out += '.' + kept.substr(intLen);
  return out;
}

}  // namespace

QString Fixed(long double value, int width, int decimals, const QLocale& locale) {
  QString text;
  if (std::isnan(value)) {
    text = QStringLiteral("NAN");
  } else if (std::isinf(value)) {
    text = value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  } else {
    std::string digits = roundedDigits(std::fabs(value), decimals);
    const bool allZero = digits.find_first_not_of("0.") == std::string::npos;
    text = QString::fromStdString(digits);
    if (decimals > 0) text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (std::signbit(value) && !allZero) text.prepend(QLatin1Char('-'));
  }
  if (text.size() < width) text = QString(width - text.size(), QLatin1Char(' ')) + text;
  return text;
}

Real parseReal(const QString& text, const QLocale& locale) {
  const QString sep = locale.decimalPoint();
  std::string s;
  s.reserve(text.size());
  int i = 0;
  const int n = static_cast<int>(text.size());
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) s += char(text[i++].unicode());
  int digits = 0;
  while (i < n && text[i].isDigit() && text[i].unicode() < 128) { s += char(text[i++].unicode()); ++digits; }
  if (i < n && (text[i] == QLatin1Char('.') || (!sep.isEmpty() && text.mid(i, sep.size()) == sep))) {
    i += text[i] == QLatin1Char('.') ? 1 : static_cast<int>(sep.size());
    s += '.';
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) { s += char(text[i++].unicode()); ++digits; }
  }
  if (digits == 0) return {};
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    s += 'e';
    ++i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) s += char(text[i++].unicode());
    int expDigits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) { s += char(text[i++].unicode()); ++expDigits; }
    if (expDigits == 0) return {};
  }
  if (i != n) return {};
  const double v = std::strtod(s.c_str(), nullptr);
  if (!std::isfinite(v)) return {};
  return {v, true};
}

Whole parseWhole(const QString& text) {
  int i = 0;
  const int n = static_cast<int>(text.size());
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) negative = text[i++] == QLatin1Char('-');
  if (i == n) return {};
  std::int64_t v = 0;
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return {};
    v = v * 10 + (c - u'0');
    if (v > 2147483648LL) return {};
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return {};
  return {static_cast<std::int32_t>(v), true};
}

}  // namespace fmt
