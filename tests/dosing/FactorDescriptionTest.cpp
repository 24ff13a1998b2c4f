// The text form of the dose factor file that the factor tool prints and writes.

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <bit>
#include <cmath>
#include <limits>

#include "dosing/FactorDescription.h"
#include "dosing/FactorFile.h"
#include "dosing/FactorFixtures.h"

using namespace factor_fixtures;
using dosing::FactorDescriptionError;

namespace {

QString lineOf(const QString& text, const QString& name) {
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (line.startsWith(name + QLatin1Char('\t'))) return line.mid(name.size() + 1);
  }
  return QStringLiteral("<missing>");
}

// A valid description with the sample values and "Logo<TAB>none".
QString sampleDescription() {
  QString text = dosing::describeFactors(sampleTables());
  return text;
}

QString replaceLine(QString text, const QString& name, const QString& value) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines) {
    if (line.startsWith(name + QLatin1Char('\t'))) line = name + QLatin1Char('\t') + value;
  }
  return lines.join(QLatin1Char('\n'));
}

TEST(FactorDescription, PrintsEveryFieldInFileOrder) {
  FactorTables t = sampleTables();
  t.ESF = 0.1;
  t.Default_Lang = 2;
  t.Default_Format = "LLL0000";
  t.Logo = sampleLogoImage(7, 3);
  const QString text = dosing::describeFactors(t);

  QStringList names;
  for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    names << line.section(QLatin1Char('\t'), 0, 0);
  EXPECT_EQ(names.join(QLatin1Char(' ')),
            QStringLiteral("ESF Lighter Average Darker MED_Min MED_Max Min_DA Max_DA Default_Lang Default_Format Logo "
                           "Demonstration"));
  EXPECT_TRUE(text.endsWith(QLatin1Char('\n')));

  EXPECT_EQ(lineOf(text, QStringLiteral("ESF")), QStringLiteral("0.10000000000000001"));  // 17 significant digits
  EXPECT_TRUE(lineOf(text, QStringLiteral("Lighter")).startsWith(QStringLiteral("100.25 101.25 102.25 ")));
  EXPECT_EQ(lineOf(text, QStringLiteral("Lighter")).split(QLatin1Char(' ')).size(), 24);
  EXPECT_EQ(lineOf(text, QStringLiteral("MED_Min")), QStringLiteral("10 20 30 40 50 60"));
  EXPECT_EQ(lineOf(text, QStringLiteral("MED_Max")), QStringLiteral("-1000 -1001 -1002 -1003 -1004 -1005"));
  EXPECT_EQ(lineOf(text, QStringLiteral("Min_DA")), QStringLiteral("0102030405060708"));
  EXPECT_EQ(lineOf(text, QStringLiteral("Max_DA")), QStringLiteral("a0a1a2a3a4a5a6a7"));
  EXPECT_EQ(lineOf(text, QStringLiteral("Default_Lang")), QStringLiteral("2"));
  EXPECT_EQ(lineOf(text, QStringLiteral("Default_Format")), QStringLiteral("LLL0000"));
  EXPECT_EQ(lineOf(text, QStringLiteral("Logo")), QStringLiteral("7x3"));

  // What the program holds for a file that reaches nothing: zeros, an empty pattern, no logo.
  const QString empty = dosing::describeFactors(FactorTables{});
  EXPECT_EQ(lineOf(empty, QStringLiteral("Darker")), QStringList(24, QStringLiteral("0")).join(QLatin1Char(' ')));
  EXPECT_EQ(lineOf(empty, QStringLiteral("Max_DA")), QStringLiteral("0000000000000000"));
  EXPECT_EQ(lineOf(empty, QStringLiteral("Default_Format")), QString());
  EXPECT_EQ(lineOf(empty, QStringLiteral("Logo")), QStringLiteral("none"));
}

TEST(FactorDescription, PrintedTextReadsBackToTheSameValues) {
  FactorTables t = sampleTables();
  t.ESF = std::numeric_limits<double>::denorm_min();
  t.Lighter[0] = -0.0;
  t.Lighter[1] = 1.0 / 3.0;
  t.Lighter[2] = std::numeric_limits<double>::max();
  t.Lighter[3] = std::numeric_limits<double>::quiet_NaN();
  t.Lighter[4] = -std::numeric_limits<double>::infinity();
  t.MED_Min[0] = std::numeric_limits<std::int32_t>::min();
  t.MED_Max[5] = std::numeric_limits<std::int32_t>::max();
  t.Default_Lang = -1;
  // Blanks at both ends, a tab, a line break, a backslash and a byte above 127.
  t.Default_Format = std::string(" L\t0\\x41\r\n\x7F\xE9 ", 13);

  const QString text = dosing::describeFactors(t);
  EXPECT_EQ(lineOf(text, QStringLiteral("Default_Format")), QStringLiteral(" L\\x090\\\\x41\\x0D\\x0A\\x7F\u00E9 "));

  const dosing::FactorDescription d = dosing::parseFactorDescription(text, QString(), QStringLiteral("t.txt"));
  EXPECT_EQ(dosing::describeFactors(d.tables), text);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(d.tables.Lighter[0]), std::bit_cast<std::uint64_t>(-0.0));
  EXPECT_TRUE(std::isnan(d.tables.Lighter[3]));
  EXPECT_EQ(d.tables.MED_Min, t.MED_Min);
  EXPECT_EQ(d.tables.MED_Max, t.MED_Max);
  EXPECT_EQ(d.tables.Default_Format, t.Default_Format);
  EXPECT_TRUE(d.logoBmp.isEmpty());
}

TEST(FactorDescription, AcceptsCommentsBlankLinesWindowsLineEndsAndALogoPath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray bmp = bmpBytes();
  {
    QFile f(dir.filePath(QStringLiteral("logo.bmp")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bmp);
  }
  QString text = replaceLine(sampleDescription(), QStringLiteral("Logo"), QStringLiteral("logo.bmp"));
  text = QStringLiteral("# demonstration\n\n   \n") + text;
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  text.replace(QStringLiteral("MED_Min\t10 20"), QStringLiteral("MED_Min\t 10 \t 20"));  // any blanks between numbers
  {
    QFile f(dir.filePath(QStringLiteral("desc.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
  }
  const dosing::FactorDescription d = dosing::readFactorDescription(dir.filePath(QStringLiteral("desc.txt")));
  EXPECT_EQ(d.logoBmp, bmp);  // resolved against the description's folder, taken byte for byte
  EXPECT_EQ(d.tables.MED_Min, sampleTables().MED_Min);
  EXPECT_EQ(d.tables.Min_DA, sampleTables().Min_DA);
  EXPECT_EQ(d.tables.Default_Format, "");
}

TEST(FactorDescription, RefusesBadDescriptionsNamingTheLine) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  {
    QFile f(dir.filePath(QStringLiteral("picture.png")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x89PNG\r\n\x1a\n not a bitmap");
  }
  const QString good = sampleDescription();  // ESF is on line 1, Logo on line 11
  const QString lighter23 = lineOf(good, QStringLiteral("Lighter")).section(QLatin1Char(' '), 0, 22);
  const struct {
    const char* name;
    QString text;
    const char* expected;  // part of the message
  } cases[] = {
      {"unknown name", good + QStringLiteral("Colour\tred\n"), "desc.txt:13: unknown field \"Colour\""},
      {"misspelt name", QString(good).replace(QStringLiteral("Darker\t"), QStringLiteral("Dark\t")),
       "desc.txt:4: unknown field \"Dark\""},
      {"no tab", QString(good).replace(QStringLiteral("ESF\t"), QStringLiteral("ESF ")),
       "desc.txt:1: expected a field name, a tab"},
      {"23 coefficients", replaceLine(good, QStringLiteral("Lighter"), lighter23),
       "desc.txt:2: Lighter: expected 24 numbers, found 23"},
      {"two numbers for ESF", replaceLine(good, QStringLiteral("ESF"), QStringLiteral("1 2")),
       "desc.txt:1: ESF: expected one number, found 2"},
      {"unreadable number", replaceLine(good, QStringLiteral("ESF"), QStringLiteral("1,5")),
       "desc.txt:1: ESF: \"1,5\" is not a number"},
      {"decimal in a whole number", replaceLine(good, QStringLiteral("MED_Max"), QStringLiteral("1 2 3 4 5 6.5")),
       "desc.txt:6: MED_Max: \"6.5\" is not a whole number"},
      {"whole number beyond 32 bits", replaceLine(good, QStringLiteral("Default_Lang"), QStringLiteral("4294967296")),
       "desc.txt:9: Default_Lang: \"4294967296\" is not a whole number"},
      {"seven bytes", replaceLine(good, QStringLiteral("Min_DA"), QStringLiteral("01020304050607")),
       "desc.txt:7: Min_DA: expected 16 hexadecimal digits"},
      {"not hexadecimal", replaceLine(good, QStringLiteral("Max_DA"), QStringLiteral("0102030405060g08")),
       "desc.txt:8: Max_DA: expected 16 hexadecimal digits"},
      {"bad escape", replaceLine(good, QStringLiteral("Default_Format"), QStringLiteral("LL\\q")),
       "desc.txt:10: Default_Format: a backslash must be written"},
      {"character beyond one byte", replaceLine(good, QStringLiteral("Default_Format"), QStringLiteral("LL\u20AC")),
       "desc.txt:10: Default_Format: the character \"\u20AC\" cannot be stored"},
      {"missing bitmap", replaceLine(good, QStringLiteral("Logo"), QStringLiteral("gone.bmp")),
       "desc.txt:11: Logo: cannot open file"},
      {"size instead of a path", replaceLine(good, QStringLiteral("Logo"), QStringLiteral("192x64")),
       "looks like the size printed by \"factors show\""},
      {"not a bitmap", replaceLine(good, QStringLiteral("Logo"), QStringLiteral("picture.png")),
       "is not a valid Windows bitmap (.bmp) file"},
      {"given twice", good + QStringLiteral("ESF\t2\n"), "desc.txt:13: ESF is given twice (first on line 1)"},
      {"demonstration neither yes nor no",
       replaceLine(good, QStringLiteral("Demonstration"), QStringLiteral("perhaps")),
       "desc.txt:12: Demonstration: expected yes or no, found \"perhaps\""},
      {"missing fields", QStringLiteral("ESF\t1\n"), "desc.txt: missing Lighter, Average, Darker"},
      {"empty text", QString(), "desc.txt: missing ESF, Lighter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      dosing::parseFactorDescription(c.text, dir.path(), QStringLiteral("desc.txt"));
      ADD_FAILURE() << "accepted";
    } catch (const FactorDescriptionError& e) {
      EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.expected))) << e.what();
    }
  }
}

TEST(FactorDescription, MissingDescriptionFileNamesIt) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("absent.txt"));
  try {
    dosing::readFactorDescription(path);
    ADD_FAILURE() << "no error";
  } catch (const FactorDescriptionError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
  }
}

TEST(FactorDescription, ADemonstrationSaysSoAndADescriptionWithoutTheLineIsForClinicalUse) {
  QTemporaryDir dir;
  const QString good = sampleDescription();
  const auto written = [&](const QString& text) {
    const dosing::FactorDescription d = dosing::parseFactorDescription(text, dir.path(), QStringLiteral("desc.txt"));
    return dosing::readFactorBytes(dosing::factorFileBytes(d.tables, d.logoBmp));
  };
  EXPECT_FALSE(written(good).Demonstration);
  EXPECT_TRUE(written(replaceLine(good, QStringLiteral("Demonstration"), QStringLiteral("yes"))).Demonstration);
  // Descriptions written before the line existed stay valid, and mean a calibration for clinical use.
  QStringList lines = good.split(QLatin1Char('\n'));
  lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("Demonstration\t")); });
  EXPECT_FALSE(written(lines.join(QLatin1Char('\n'))).Demonstration);
}

}  // namespace
