// halcyra-tool report: the PDF of a stored course, without a display, as Print and export write it.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "PdfSupport.h"
#include "StoredCourse.h"
#include "dosing/FactorFile.h"
#include "support/FileModes.h"
#include "support/ToolRun.h"

using report_fixtures::StoredCourse;

namespace {

// The tool run without any display, with `environment` added.
ToolRun runReport(const QStringList& args, const QStringList& environment = {}) {
  return runTool(QStringList{"report"} + args,
                 QStringList{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="} + environment);
}

}  // namespace

TEST(ReportTool, WritesTheCoursesPdfAndPrintsItsPath) {
  StoredCourse stored;
  stored.course->returnToList();
  const QString pdf = stored.dir.filePath("out/ABC1234.pdf");
  QDir(stored.dir.path()).mkpath("out");
  const ToolRun run = runReport({stored.dir.path(), "ABC1234", "--factors", stored.factorFile, "--output", pdf},
                                {"LC_ALL=en_US.UTF-8", "LANG=en_US.UTF-8"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.lines(), QStringList{pdf});
  const QString info = pdf_support::poppler("pdfinfo", {}, pdf);
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
  EXPECT_TRUE(info.contains("Physiotherapy Dept."));
  const QString text = pdf_support::poppler("pdftotext", {}, pdf);
  for (const char* expected : {"Whitfield", "ABC1234", "07 Mar", "AB 36.5C 02:30", "Psioriasis", "Claustrophobia",
                               "Dr Lock", "Elbow, week 3", "Treatment Number", "Lifetime: 3 treatments, "})
    EXPECT_TRUE(text.contains(QString::fromLatin1(expected))) << expected;
  EXPECT_EQ(pdf_support::tableRows(pdf_support::poppler("pdfimages", {"-list"}, pdf)).size(), 7);
}

TEST(ReportTool, FollowsTheProcesssLocale) {
  StoredCourse stored(0);
  stored.course->returnToList();
  const QString pdf = stored.dir.filePath("ABC1234.pdf");
  const ToolRun run = runReport({stored.dir.path(), "ABC1234", "1", "--factors", stored.factorFile, "--output", pdf},
                                {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QString text = pdf_support::poppler("pdftotext", {}, pdf);
  EXPECT_TRUE(text.contains("AB 36,5C 02:30")) << text.left(400).toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression("Lifetime: 3 treatments, \\d+,\\d J/cm²")))
      << text.left(400).toStdString();
  // The print date in German words, the locale's long date without the weekday ("10. Dezember 2026").
  EXPECT_TRUE(text.contains(QLocale(QLocale::German).toString(QDate::currentDate(), "d. MMMM yyyy")))
      << text.toStdString();
}

TEST(ReportTool, NamesWhatItCannotDo) {
  StoredCourse stored(0);
  stored.course->returnToList();
  const QString dir = stored.dir.path();
  const QString pdf = stored.dir.filePath("ABC1234.pdf");
  struct Case {
    QStringList args;
    int exit;
    QString says;
  };
  // clang-format off
  const Case cases[] = {
      {{dir, "XYZ9999", "--factors", stored.factorFile, "--output", pdf}, 1, "no patient has the NHI \"XYZ9999\""},
      {{dir, "ABC1234", "9", "--factors", stored.factorFile, "--output", pdf}, 1, "no course 9"},
      {{dir, "ABC1234", "--factors", stored.factorFile, "--output", dir + "/no folder/ABC1234.pdf"}, 1,
       "No such file or directory"},
      {{dir, "ABC1234", "--factors", dir + "/missing.Dat", "--output", pdf}, 1, "missing.Dat"},
      {{dir, "ABC1234", "--output", pdf}, 2, "--factors is required"},
      {{dir, "ABC1234", "one", "--factors", stored.factorFile, "--output", pdf}, 2, "not a whole number"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const ToolRun run = runReport(c.args);
    EXPECT_EQ(run.exitCode, c.exit) << c.args.join(' ').toStdString() << "\n" << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
  }
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST(ReportTool, WritesAPdfOnlyItsOwnerMayReadAndMarksADemonstrationCalibrationOnEveryPage) {
  StoredCourse stored(1);  // a summary page and a page of photographs
  stored.course->returnToList();
  FactorTables clinical = dosing::readFactorFile(stored.factorFile);
  ASSERT_TRUE(clinical.Demonstration);  // the demonstration calibration of the repository
  clinical.Demonstration = false;
  const QString clinicalFile = stored.dir.filePath("clinical.Dat");
  dosing::writeFactorFile(clinicalFile, clinical);

  const Umask mask(022);  // every new file readable by everybody, but for the program's own care
  const QString warning = QStringLiteral("Demonstration calibration: not for clinical use");
  for (const bool demonstration : {true, false}) {
    SCOPED_TRACE(demonstration ? "demonstration" : "clinical");
    const QString pdf = stored.dir.filePath(demonstration ? "demo.pdf" : "clinical.pdf");
    const ToolRun run = runReport(
        {stored.dir.path(), "ABC1234", "--factors", demonstration ? stored.factorFile : clinicalFile, "--output", pdf});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(modeOf(pdf), 0600u);
    EXPECT_EQ(run.err.contains(warning), demonstration) << run.err.toStdString();
    for (const char* page : {"1", "2"}) {
      const QString text = pdf_support::poppler("pdftotext", {"-f", page, "-l", page}, pdf);
      EXPECT_EQ(text.contains(warning), demonstration) << "page " << page;
      EXPECT_TRUE(text.contains("ABC1234")) << "page " << page;
    }
  }
}
