#include "base/Formats.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace fmt {

QString D(std::int64_t value) { return QString::number(value); }

namespace {

// Room for the fixed digits of the largest long double (about 4933 integer digits) and 40 more.
constexpr std::size_t kFixedBuffer = 5000;

// Digits of |value| rounded to `decimals` places, half away from zero, as "123.4".
std::string roundedDigits(long double magnitude, int decimals) {
  // 40 fraction digits show whether the value lies exactly on a tie: no finite double or
  // extended value of a size met here comes within 1e-40 of a tie without being one.
  std::vector<char> buf(kFixedBuffer);
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude, std::chars_format::fixed, 40);
  std::string s(buf.data(), result.ptr);
  const auto dot = s.find('.');
  std::string intPart = s.substr(0, dot);
  std::string frac = s.substr(dot + 1);
  std::string kept = intPart + frac.substr(0, decimals);
  const bool roundUp = frac[decimals] >= '5';
  if (roundUp) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0)
      ++kept[i];
    else
      kept.insert(kept.begin(), '1');
  }
  const std::size_t intLen = kept.size() - decimals;
  std::string out = kept.substr(0, intLen);
  if (decimals > 0) out += '.' + kept.substr(intLen);
  return out;
}

bool isAsciiDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// Reads a real number whose decimal separator is a point or one of `separators`.
Real parseWithSeparators(const QString& text, const QStringList& separators) {
  std::string s;
  s.reserve(text.size());
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) negative = text[i++] == QLatin1Char('-');
  int digits = 0;
  while (i < n && isAsciiDigit(text[i])) {
    s += char(text[i++].unicode());
    ++digits;
  }
  qsizetype separator = i < n && text[i] == QLatin1Char('.') ? 1 : 0;
  if (i < n && separator == 0) {
    for (const QString& sep : separators) {
      if (!sep.isEmpty() && QStringView(text).mid(i).startsWith(sep)) {
        separator = sep.size();
        break;
      }
    }
  }
  if (i < n && separator > 0) {
    i += separator;
    s += '.';
    while (i < n && isAsciiDigit(text[i])) {
      s += char(text[i++].unicode());
      ++digits;
    }
  }
  if (digits == 0) return {};
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    s += 'e';
    ++i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) s += char(text[i++].unicode());
    int expDigits = 0;
    while (i < n && isAsciiDigit(text[i])) {
      s += char(text[i++].unicode());
      ++expDigits;
    }
    if (expDigits == 0) return {};
  }
  if (i != n) return {};
  double v = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), v);
  // from_chars leaves v alone on overflow; an underflow gives the nearest value (0 or subnormal).
  if (result.ec == std::errc::result_out_of_range) {
    const auto exponent = s.find('e');
    const bool tiny = exponent != std::string::npos && s.find('-', exponent) != std::string::npos;
    if (!tiny) return {};
    v = 0;
  } else if (result.ec != std::errc() || result.ptr != s.data() + s.size()) {
    return {};
  }
  if (!std::isfinite(v)) return {};
  return {negative ? -v : v, true};
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

std::string General(double value, int significant) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, significant);
  return std::string(buf, result.ptr);
}

QString GeneralText(double value, int significant) { return QString::fromStdString(General(value, significant)); }

QString GeneralShown(double value, int significant, const QLocale& locale) {
  return GeneralText(value, significant).replace(QLatin1Char('.'), locale.decimalPoint());
}

Real parseReal(const QString& text, const QLocale& locale) {
  return parseWithSeparators(text, {locale.decimalPoint()});
}

Real parseRealPointOrComma(const QString& text) { return parseWithSeparators(text, {QStringLiteral(",")}); }

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

QString asciiLower(QString text) {
  for (QChar& c : text)
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
  return text;
}

QString asciiUpper(QString text) {
  for (QChar& c : text)
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - (u'a' - u'A'));
  return text;
}

}  // namespace fmt
