#include "dosing/FactorDescription.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <charconv>
#include <functional>
#include <map>
#include <string>

#include "base/BoundedRead.h"
#include "dosing/FactorFile.h"

namespace dosing {

namespace {

// Numbers go through to_chars/from_chars: they ignore the process locale (which the Qt
// application object sets from the environment) and round-trip a double exactly.
QString realText(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
  return QString::fromLatin1(buf, res.ptr - buf);
}

template <std::size_t N>
QString realsText(const std::array<double, N>& values) {
  QStringList parts;
  for (double v : values) parts << realText(v);
  return parts.join(QLatin1Char(' '));
}

template <std::size_t N>
QString int32sText(const std::array<std::int32_t, N>& values) {
  QStringList parts;
  for (std::int32_t v : values) parts << QString::number(v);
  return parts.join(QLatin1Char(' '));
}

QString hexText(const std::array<std::uint8_t, 8>& bytes) {
  return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes.data()), 8).toHex());
}

// One character per byte; a backslash and control characters escaped so that the line stays
// one line and trailing blanks stay visible to the reader of the text.
QString patternText(const std::string& pattern) {
  QString out;
  for (unsigned char c : pattern) {
    if (c == '\\') {
      out += QStringLiteral("\\\\");
    } else if (c < 0x20 || c == 0x7F) {
      out += QStringLiteral("\\x") + QString::number(c, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    } else {
      out += QChar(c);
    }
  }
  return out;
}

const char* const kFieldNames[] = {"ESF",    "Lighter", "Average",      "Darker",         "MED_Min", "MED_Max",
                                   "Min_DA", "Max_DA",  "Default_Lang", "Default_Format", "Logo"};
// Fields that may be left out, and what they then are.
const char* const kOptionalFieldNames[] = {"Demonstration"};  // no

// What went wrong on one line; the caller adds the file and line number.
struct LineError {
  QString what;
};

QStringList numberTokens(const QString& value) {
  static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
  return value.split(blanks, Qt::SkipEmptyParts);
}

template <typename T>
T parseNumber(const QString& token, const char* field, const char* kind) {
  const std::string s = token.toStdString();
  T v{};
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
    throw LineError{QStringLiteral("%1: \"%2\" is not %3").arg(QLatin1String(field), token, QLatin1String(kind))};
  }
  return v;
}

template <std::size_t N>
void parseReals(const QString& value, const char* field, std::array<double, N>& out) {
  const QStringList tokens = numberTokens(value);
  if (tokens.size() != static_cast<qsizetype>(N)) {
    const QString expected = N == 1 ? QStringLiteral("one number") : QStringLiteral("%1 numbers").arg(N);
    throw LineError{QStringLiteral("%1: expected %2, found %3").arg(QLatin1String(field), expected).arg(tokens.size())};
  }
  for (std::size_t i = 0; i < N; ++i)
    out[i] = parseNumber<double>(tokens[static_cast<qsizetype>(i)], field, "a number");
}

template <std::size_t N>
void parseInt32s(const QString& value, const char* field, std::array<std::int32_t, N>& out) {
  const QStringList tokens = numberTokens(value);
  if (tokens.size() != static_cast<qsizetype>(N)) {
    const QString expected = N == 1 ? QStringLiteral("one whole number") : QStringLiteral("%1 whole numbers").arg(N);
    throw LineError{QStringLiteral("%1: expected %2, found %3").arg(QLatin1String(field), expected).arg(tokens.size())};
  }
  for (std::size_t i = 0; i < N; ++i) {
    out[i] = parseNumber<std::int32_t>(tokens[static_cast<qsizetype>(i)], field, "a whole number of 32 bits");
  }
}

void parseHex(const QString& value, const char* field, std::array<std::uint8_t, 8>& out) {
  static const QRegularExpression hex16(QStringLiteral("^[0-9A-Fa-f]{16}$"));
  const QString v = value.trimmed();
  if (!hex16.match(v).hasMatch()) {
    throw LineError{
        QStringLiteral("%1: expected 16 hexadecimal digits (8 bytes), found \"%2\"").arg(QLatin1String(field), v)};
  }
  const QByteArray bytes = QByteArray::fromHex(v.toLatin1());
  std::copy(bytes.begin(), bytes.end(), out.begin());
}

std::string parsePattern(const QString& value) {
  std::string out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == QLatin1Char('\\')) {
      if (value.mid(i + 1, 1) == QLatin1String("\\")) {
        out += '\\';
        i += 1;
        continue;
      }
      static const QRegularExpression escape(QStringLiteral("^x[0-9A-Fa-f]{2}"));
      const QString rest = value.mid(i + 1, 3);
      if (!escape.match(rest).hasMatch()) {
        throw LineError{QStringLiteral("Default_Format: a backslash must be written \"\\\\\" or start \"\\xHH\" "
                                       "(two hexadecimal digits), at character %1")
                            .arg(i + 1)};
      }
      out += static_cast<char>(rest.mid(1).toInt(nullptr, 16));
      i += 3;
      continue;
    }
    if (c.unicode() > 0xFF) {
      throw LineError{QStringLiteral("Default_Format: the character \"%1\" cannot be stored in the file's single-byte "
                                     "pattern; use letters, digits and ASCII signs")
                          .arg(c)};
    }
    out += static_cast<char>(c.unicode());
  }
  return out;
}

QByteArray parseLogo(const QString& value, const QString& baseDir) {
  const QString v = value.trimmed();
  if (v == QLatin1String("none")) return {};
  if (v.isEmpty()) throw LineError{QStringLiteral("Logo: give the path of a BMP file, or none")};
  const QString path = QDir(baseDir).absoluteFilePath(v);
  QByteArray bytes;
  try {
    bytes = files::readBounded(path, files::kLargestFactorFile, QStringLiteral("a logo"));
  } catch (const files::ReadError& e) {
    if (e.problem() != files::ReadError::Problem::CannotOpen)
      throw LineError{QStringLiteral("Logo: %1").arg(e.message())};
    static const QRegularExpression size(QStringLiteral("^\\d+x\\d+$"));
    const QString hint = size.match(v).hasMatch()
                             ? QStringLiteral(
                                   " (\"%1\" looks like the size printed by \"factors show\"; give the path of "
                                   "the BMP file instead, or none)")
                                   .arg(v)
                             : QString();
    throw LineError{
        QStringLiteral("Logo: cannot open file \"%1\". %2%3").arg(QDir::toNativeSeparators(path), e.reason(), hint)};
  }
  if (decodeBitmap(bytes).isNull()) {
    throw LineError{
        QStringLiteral("Logo: \"%1\" is not a valid Windows bitmap (.bmp) file").arg(QDir::toNativeSeparators(path))};
  }
  return bytes;
}

}  // namespace

QString describeFactors(const FactorTables& t) {
  QString out;
  const auto line = [&out](const char* name, const QString& value) {
    out += QLatin1String(name) + QLatin1Char('\t') + value + QLatin1Char('\n');
  };
  line("ESF", realText(t.ESF));
  line("Lighter", realsText(t.Lighter));
  line("Average", realsText(t.Average));
  line("Darker", realsText(t.Darker));
  line("MED_Min", int32sText(t.MED_Min));
  line("MED_Max", int32sText(t.MED_Max));
  line("Min_DA", hexText(t.Min_DA));
  line("Max_DA", hexText(t.Max_DA));
  line("Default_Lang", QString::number(t.Default_Lang));
  line("Default_Format", patternText(t.Default_Format));
  line("Logo",
       t.Logo.isNull() ? QStringLiteral("none") : QStringLiteral("%1x%2").arg(t.Logo.width()).arg(t.Logo.height()));
  line("Demonstration", t.Demonstration ? QStringLiteral("yes") : QStringLiteral("no"));
  return out;
}

FactorDescription parseFactorDescription(const QString& text, const QString& baseDir, const QString& sourceName) {
  FactorDescription d;
  FactorTables& t = d.tables;
  // clang-format off
  const std::map<QString, std::function<void(const QString&)>> fields = {
      {QStringLiteral("ESF"), [&](const QString& v) {
         std::array<double, 1> one{};
         parseReals(v, "ESF", one);
         t.ESF = one[0];
       }},
      {QStringLiteral("Lighter"), [&](const QString& v) { parseReals(v, "Lighter", t.Lighter); }},
      {QStringLiteral("Average"), [&](const QString& v) { parseReals(v, "Average", t.Average); }},
      {QStringLiteral("Darker"), [&](const QString& v) { parseReals(v, "Darker", t.Darker); }},
      {QStringLiteral("MED_Min"), [&](const QString& v) { parseInt32s(v, "MED_Min", t.MED_Min); }},
      {QStringLiteral("MED_Max"), [&](const QString& v) { parseInt32s(v, "MED_Max", t.MED_Max); }},
      {QStringLiteral("Min_DA"), [&](const QString& v) { parseHex(v, "Min_DA", t.Min_DA); }},
      {QStringLiteral("Max_DA"), [&](const QString& v) { parseHex(v, "Max_DA", t.Max_DA); }},
      {QStringLiteral("Default_Lang"), [&](const QString& v) {
         std::array<std::int32_t, 1> one{};
         parseInt32s(v, "Default_Lang", one);
         t.Default_Lang = one[0];
       }},
      {QStringLiteral("Default_Format"), [&](const QString& v) { t.Default_Format = parsePattern(v); }},
      {QStringLiteral("Logo"), [&](const QString& v) { d.logoBmp = parseLogo(v, baseDir); }},
      {QStringLiteral("Demonstration"), [&](const QString& v) {
         const QString answer = v.trimmed();
         if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
           throw LineError{QStringLiteral("Demonstration: expected yes or no, found \"%1\"").arg(answer)};
         t.Demonstration = answer == QLatin1String("yes");
       }},
  };
  // clang-format on

  std::map<QString, int> seenOnLine;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    const auto fail = [&](const QString& what) {
      return FactorDescriptionError(QStringLiteral("%1:%2: %3").arg(sourceName).arg(lineNo).arg(what));
    };
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);  // written on Windows
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;

    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0) throw fail(QStringLiteral("expected a field name, a tab and its value"));
    const QString name = line.left(tab).trimmed();
    const QString value = line.mid(tab + 1);
    const auto field = fields.find(name);
    if (field == fields.end()) {
      QStringList known;
      for (const char* n : kFieldNames) known << QLatin1String(n);
      for (const char* n : kOptionalFieldNames) known << QLatin1String(n);
      throw fail(QStringLiteral("unknown field \"%1\"; the fields are %2").arg(name, known.join(QStringLiteral(", "))));
    }
    if (const auto seen = seenOnLine.find(name); seen != seenOnLine.end()) {
      throw fail(QStringLiteral("%1 is given twice (first on line %2)").arg(name).arg(seen->second));
    }
    seenOnLine[name] = lineNo;
    try {
      field->second(value);
    } catch (const LineError& e) {
      throw fail(e.what);
    }
  }

  QStringList missing;
  for (const char* n : kFieldNames) {
    if (!seenOnLine.count(QLatin1String(n))) missing << QLatin1String(n);
  }
  if (!missing.isEmpty()) {
    throw FactorDescriptionError(QStringLiteral("%1: missing %2 (every field of the factor file must be given; "
                                                "write \"Logo<TAB>none\" for no logo)")
                                     .arg(sourceName, missing.join(QStringLiteral(", "))));
  }
  return d;
}

FactorDescription readFactorDescription(const QString& path) {
  const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  QByteArray bytes;
  try {
    bytes = files::readBounded(QFileInfo(path).absoluteFilePath(), files::kLargestFactorDescription,
                               QStringLiteral("a factor file's description"));
  } catch (const files::ReadError& e) {
    if (e.problem() != files::ReadError::Problem::CannotOpen) throw FactorDescriptionError(e.message());
    throw FactorDescriptionError(QStringLiteral("Cannot open file \"%1\". %2").arg(shown, e.reason()));
  }
  return parseFactorDescription(QString::fromUtf8(bytes), QFileInfo(path).absolutePath(), shown);
}

}  // namespace dosing
