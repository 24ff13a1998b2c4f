// halcyra-tool factors, run as the engineer runs it.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <charconv>
#include <functional>
#include <limits>
#include <map>
#include "dosing/FactorFile.h"
#include "support/ToolRun.h"

namespace {

QString demoFile() { return QStringLiteral(HALCYRA_DEMO_FACTORS); }
QString sourceFile(const char* relative) { return QStringLiteral(HALCYRA_SOURCE_DIR "/") + QLatin1String(relative); }

// name -> value of every "name<TAB>value" line that is not a comment.
std::map<QString, QString> fieldsOf(const QString& text) {
  std::map<QString, QString> out;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1Char('#')) || !line.contains(QLatin1Char('\t'))) continue;
    out[line.section(QLatin1Char('\t'), 0, 0)] = line.section(QLatin1Char('\t'), 1);
  }
  return out;
}

std::vector<double> numbers(const QString& value) {
  std::vector<double> out;
  for (const QString& token : value.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const std::string s = token.toStdString();
    double v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    out.push_back(v);
  }
  return out;
}

QString readText(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

TEST(FactorsTool, ShowsTheBuiltDemonstrationFileAsItsDescriptionSays) {
  const ToolRun r = runTool({QStringLiteral("factors"), QStringLiteral("show"), demoFile()});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

  QStringList names;
  for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    names << line.section(QLatin1Char('\t'), 0, 0);
  EXPECT_EQ(names.join(QLatin1Char(' ')),
            QStringLiteral("ESF Lighter Average Darker MED_Min MED_Max Min_DA Max_DA Default_Lang Default_Format Logo "
                           "Demonstration"));

  const auto shown = fieldsOf(r.out);
  const auto described = fieldsOf(readText(sourceFile("demo/UVB_Factors.txt")));
  for (const char* name : {"ESF", "Lighter", "Average", "Darker", "MED_Min", "MED_Max"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(numbers(shown.at(QLatin1String(name))), numbers(described.at(QLatin1String(name))));
  }
  EXPECT_EQ(shown.at(QStringLiteral("ESF")), QStringLiteral("1"));
  EXPECT_EQ(shown.at(QStringLiteral("Min_DA")), described.at(QStringLiteral("Min_DA")));
  EXPECT_EQ(shown.at(QStringLiteral("Max_DA")), described.at(QStringLiteral("Max_DA")));
  EXPECT_EQ(shown.at(QStringLiteral("Default_Lang")), QStringLiteral("2"));
  EXPECT_EQ(shown.at(QStringLiteral("Default_Format")), QStringLiteral("LLL0000"));
  const QImage logo(sourceFile("demo/logo.bmp"));
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(shown.at(QStringLiteral("Logo")), QStringLiteral("%1x%2").arg(logo.width()).arg(logo.height()));
  EXPECT_EQ(shown.at(QStringLiteral("Demonstration")), QStringLiteral("yes"));
}

TEST(FactorsTool, ShowWriteShowGivesTheSameText) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ToolRun first = runTool({QStringLiteral("factors"), QStringLiteral("show"), demoFile()});
  ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();

  // The printed text, its Logo line pointing at the bitmap by a path relative to the description.
  ASSERT_TRUE(QFile::copy(sourceFile("demo/logo.bmp"), dir.filePath(QStringLiteral("mark.bmp"))));
  QString description = first.out;
  static const QRegularExpression logoLine(QStringLiteral("^Logo\t[^\n]*$"), QRegularExpression::MultilineOption);
  ASSERT_TRUE(logoLine.match(description).hasMatch());
  description.replace(logoLine, QStringLiteral("Logo\tmark.bmp"));
  {
    QFile f(dir.filePath(QStringLiteral("copy.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(description.toUtf8());
  }
  const QString copy = dir.filePath(QStringLiteral("copy.Dat"));
  const ToolRun write =
      runTool({QStringLiteral("factors"), QStringLiteral("write"), dir.filePath(QStringLiteral("copy.txt")), copy});
  ASSERT_EQ(write.exitCode, 0) << write.err.toStdString();

  const ToolRun second = runTool({QStringLiteral("factors"), QStringLiteral("show"), copy});
  ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
  EXPECT_EQ(second.out, first.out);
  EXPECT_EQ(QFileInfo(copy).size(), QFileInfo(demoFile()).size());
}

TEST(FactorsTool, FailuresExitWithAMessage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString absent = dir.filePath(QStringLiteral("UVB_Factors.Dat"));
  const ToolRun missing = runTool({QStringLiteral("factors"), QStringLiteral("show"), absent});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.out.isEmpty());
  EXPECT_EQ(missing.err.trimmed(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(absent));

  // A bad description writes nothing and names its line.
  {
    QFile f(dir.filePath(QStringLiteral("bad.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# a comment\nESF\t1\nLighter\t1 2 3\n");
  }
  const QString out = dir.filePath(QStringLiteral("out.Dat"));
  const ToolRun bad =
      runTool({QStringLiteral("factors"), QStringLiteral("write"), dir.filePath(QStringLiteral("bad.txt")), out});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(bad.err.contains(QStringLiteral("bad.txt:3: Lighter: expected 24 numbers, found 3")))
      << bad.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(out));

  const ToolRun usage = runTool({QStringLiteral("factors"), QStringLiteral("show")});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_TRUE(usage.err.contains(QStringLiteral("factors show FILE"))) << usage.err.toStdString();
}

TEST(FactorsTool, CommandsThatComputeADoseSayWhenTheCalibrationIsADemonstrationAndRefuseANaN) {
  QTemporaryDir dir;
  // The demonstration calibration as a department's own: the same values, without the mark.
  FactorTables clinical = dosing::readFactorFile(demoFile());
  clinical.Demonstration = false;
  const QString clinicalFile = dir.filePath(QStringLiteral("clinical.Dat"));
  dosing::writeFactorFile(clinicalFile, clinical);
  FactorTables broken = clinical;
  broken.Darker[5] = std::numeric_limits<double>::quiet_NaN();
  const QString brokenFile = dir.filePath(QStringLiteral("broken.Dat"));
  dosing::writeFactorFile(brokenFile, broken);

  const auto estimate = [](const QString& file) {
    return runTool(
        {QStringLiteral("estimate"), QStringLiteral("--factors"), file, QStringLiteral("--age"), QStringLiteral("45")});
  };
  const auto plan = [](const QString& file) {
    return runTool({QStringLiteral("plan"), QStringLiteral("--factors"), file, QStringLiteral("--skin-type"),
                    QStringLiteral("2"), QStringLiteral("--age"), QStringLiteral("45"), QStringLiteral("--med"),
                    QStringLiteral("300")});
  };
  const QString warning = QStringLiteral("Demonstration calibration: not for clinical use");
  for (const auto& [name, command] : {std::pair{"estimate", std::function<ToolRun(const QString&)>(estimate)},
                                      std::pair{"plan", std::function<ToolRun(const QString&)>(plan)}}) {
    SCOPED_TRACE(name);
    const ToolRun demo = command(demoFile());
    EXPECT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    EXPECT_EQ(demo.err, QStringLiteral("halcyra-tool %1: %2 (%3)\n").arg(QLatin1String(name), warning, demoFile()));
    const ToolRun own = command(clinicalFile);
    EXPECT_EQ(own.exitCode, 0) << own.err.toStdString();
    EXPECT_TRUE(own.err.isEmpty()) << own.err.toStdString();
    EXPECT_EQ(own.out, demo.out);  // the mark changes nothing of the numbers
    const ToolRun nan = command(brokenFile);
    EXPECT_EQ(nan.exitCode, 1);
    EXPECT_TRUE(nan.out.isEmpty());
    EXPECT_TRUE(
        nan.err.contains(QStringLiteral("\"%1\" cannot be a calibration: Darker, coefficient c1 of skin type II, "
                                        "is not a number (NaN)")
                             .arg(brokenFile)))
        << nan.err.toStdString();
  }
}

}  // namespace
