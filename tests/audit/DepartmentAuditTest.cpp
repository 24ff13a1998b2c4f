// The department audit over a constructed department whose figures are worked out by hand
// (AuditFixtures.h), on both engines: in the core, through halcyra-tool service-audit, and as the
// CSV and PDF files it writes, read back.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "AuditFixtures.h"
#include "RecordsFixtures.h"
#include "audit/AuditLines.h"
#include "audit/StoreAudit.h"
#include "base/Formats.h"
#include "records/Connection.h"
#include "records/Database.h"
#include "report/PdfSupport.h"
#include "support/ToolRun.h"

namespace {

using audit_fixtures::expectedYear;
using audit_fixtures::kThreshold;
using audit_fixtures::kYear;

class DepartmentAudit : public testing_records::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    testing_records::RawStore raw(file());
    audit_fixtures::storeDepartment(raw);
  }

  std::optional<audit::Figures> audited(const audit::Period& period, int page = audit::kAuditPage,
                                        const audit::AuditProgress& progress = {}) {
    records::Connection store;
    records::openStore(store, dirPath());
    return audit::auditStore(store, period, kThreshold, progress, page);
  }

  // The tool with settings of its own (none unless written there), so that the user's own
  // review threshold never reaches the test.
  ToolRun tool(QStringList args) {
    return runTool(QStringList{"service-audit", dirPath()} + args,
                   {"XDG_CONFIG_HOME=" + config_.path(), "LC_ALL=en_US.UTF-8", "LANG=en_US.UTF-8"});
  }

  QTemporaryDir config_;
};

TEST_F(DepartmentAudit, EveryFigureOfTheYearIsTheOneWorkedOutByHand) {
  const std::optional<audit::Figures> f = audited(kYear);
  ASSERT_TRUE(f);
  EXPECT_EQ(QString::fromUtf8(audit::toolText(audit::auditLines(*f, fmt::Point()))), expectedYear());
  EXPECT_EQ(f->coursesRead, 10);
  // What the charts show: the months with treatments, and the finished courses by treatments.
  EXPECT_EQ(f->byMonth.at(audit::monthKey(QDate(2024, 5, 1))), (audit::BurnTally{3, {0, 1, 1}}));
  EXPECT_EQ(f->byMonth.at(audit::monthKey(QDate(2024, 9, 1))), (audit::BurnTally{3, {0, 1, 1}}));
  EXPECT_EQ(f->byMonth.count(audit::monthKey(QDate(2023, 12, 1))), 0u);
  EXPECT_EQ(f->finishedByTreatments[3], 1);
  EXPECT_EQ(f->finishedByTreatments[4], 2);
}

TEST_F(DepartmentAudit, ReadingAFewCoursesAtATimeGivesTheSameFigures) {
  // Pages of 3 courses end inside a patient's courses (EEE0005, FFF0006) and in the middle of the
  // department: every course is read once.
  std::vector<std::pair<qint64, qint64>> seen;
  const std::optional<audit::Figures> f = audited(kYear, 3, [&](qint64 done, qint64 total) {
    seen.emplace_back(done, total);
    return true;
  });
  ASSERT_TRUE(f);
  EXPECT_EQ(QString::fromUtf8(audit::toolText(audit::auditLines(*f, fmt::Point()))), expectedYear());
  EXPECT_EQ(seen, (std::vector<std::pair<qint64, qint64>>{{0, 10}, {3, 10}, {6, 10}, {9, 10}, {10, 10}}));
}

TEST_F(DepartmentAudit, StoppedByItsProgressItGivesNoFigures) {
  int calls = 0;
  EXPECT_FALSE(audited(kYear, 3, [&](qint64, qint64) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2);  // stopped after the first page: nothing more was read
}

TEST_F(DepartmentAudit, APeriodWithoutTreatmentsHasNothingToWorkOutOver) {
  const std::optional<audit::Figures> f = audited({QDate(2000, 1, 1), QDate(2000, 12, 31)});
  ASSERT_TRUE(f);
  QString expected = QStringLiteral(
      "patients\t0\ncourses\t0\ntreatments\t0\nmissed\t0\n"
      "burn1\t0\nburn2\t0\nburn3\t0\nburn_per_100\t-\n");
  for (int type = 1; type <= 6; ++type)
    expected +=
        QStringLiteral("burn1_type_%1\t0\nburn2_type_%1\t0\nburn3_type_%1\t0\nburn_per_100_type_%1\t-\n").arg(type);
  expected += QStringLiteral(
      "finished_courses\t0\nmedian_treatments\t-\nq1_treatments\t-\nq3_treatments\t-\n"
      "median_cumulative_dose\t-\nlast_clearing_pct\t-\nlast_same_pct\t-\nlast_worse_pct\t-\n"
      "patients_over_threshold\t0\n");
  EXPECT_EQ(QString::fromUtf8(audit::toolText(audit::auditLines(*f, fmt::Point()))), expected);
}

TEST_F(DepartmentAudit, TheToolPrintsTheFiguresAndWritesTheSameAsCsvAndPdf) {
  QTemporaryDir out;
  const QString csv = out.filePath("audit.csv"), pdf = out.filePath("audit.pdf");
  const ToolRun r = tool({"--from", "2024-01-01", "--to", "2024-12-31", "--threshold", "10", "--csv", csv, "--output",
                          pdf, "--factors", QStringLiteral(HALCYRA_DEMO_FACTORS)});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, expectedYear());
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

  QFile csvFile(csv);
  ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
  QString expectedCsv = expectedYear();
  expectedCsv.replace(u'\t', u',').replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  EXPECT_EQ(QString::fromUtf8(csvFile.readAll()), expectedCsv);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(csv).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the CSV names patients: its owner's only";

  const QString text = pdf_support::poppler("pdftotext", {"-layout"}, pdf);
  for (const char* shown : {"NB UVB Department Audit",
                            "Period: January 01, 2024 to December 31, 2024",
                            "Halcyra - NB UVB Calculator",
                            "Lifetime exposure review from 10 treatments",
                            "Treatments given",
                            "Burns per 100 treatments",
                            "40.00",
                            "Cumulative dose per finished course, median (mJ/cm²)",
                            "380.0",
                            "Burns by skin type",
                            "Grade III burns in the period: 3",
                            "BBB0002",
                            "250.0",
                            "200.0",
                            "25.0",
                            "HHH0008",
                            "Patients due a lifetime exposure review (10 treatments or more): 2",
                            "EEE0005",
                            "1110.0",
                            "FFF0006",
                            "Burns per 100 treatments, by month",
                            "Finished courses by treatments given",
                            "Calibration: "}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown << " is not in the PDF:\n" << text.toStdString();
  }
  EXPECT_TRUE(text.contains(QFileInfo(QStringLiteral(HALCYRA_DEMO_FACTORS)).absoluteFilePath()));
  // Every figure beside its label on one line, as the table prints it.
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Treatments given\\s+15\\n"))));
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("IV\\s+3\\s+0\\s+1\\s+1\\s+66.67"))));
  const QString info_ = pdf_support::poppler("pdfinfo", {}, pdf);
  EXPECT_TRUE(info_.contains(QRegularExpression(QStringLiteral("Author:\\s+Physiotherapy Dept."))));
  EXPECT_TRUE(info_.contains(QStringLiteral("595.276 x 841.89 pts (A4)"))) << "A4 portrait";
  EXPECT_TRUE(pdf_support::tableRows(pdf_support::poppler("pdfimages", {"-list"}, pdf)).isEmpty())
      << "the charts are vectors, not pictures";
}

TEST_F(DepartmentAudit, TheToolTakesTheThresholdFromTheSettingOrGoesWithoutOne) {
  const ToolRun none = tool({"--from", "2024-01-01", "--to", "2024-12-31"});
  ASSERT_EQ(none.exitCode, 0) << none.err.toStdString();
  EXPECT_TRUE(none.lines().contains("patients_over_threshold\t-"));
  EXPECT_FALSE(none.out.contains("\nover\t"));

  QDir(config_.path()).mkpath("Venmore");
  QFile settings(config_.filePath("Venmore/Brell.conf"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[General]\nLifetimeReviewThreshold=10\n");
  settings.close();
  const ToolRun set = tool({"--from", "2024-01-01", "--to", "2024-12-31"});
  EXPECT_EQ(set.out, expectedYear());
  // --threshold goes before the setting: at 11 nobody is due.
  const ToolRun given = tool({"--from", "2024-01-01", "--to", "2024-12-31", "--threshold", "11"});
  EXPECT_TRUE(given.lines().contains("patients_over_threshold\t0"));
}

TEST_F(DepartmentAudit, TheToolRefusesWrongArgumentsAndNamesAStoreItCannotRead) {
  struct Case {
    QStringList args;
    int status;
    const char* said;
  };
  const QString missing = QDir::temp().filePath("no-such-halcyra-folder");
  const std::vector<Case> cases{
      {{"--from", "2024-12-31", "--to", "2024-01-01"}, 2, "--to 2024-01-01 is before --from 2024-12-31"},
      {{"--from", "2023-02-29", "--to", "2024-01-01"}, 2, "--from \"2023-02-29\" is not a date"},
      {{"--from", "2024-1-5", "--to", "2024-12-31"}, 2, "--from \"2024-1-5\" is not a date"},
      {{"--from", "last year", "--to", "2024-12-31"}, 2, "is not a date"},
      {{"--from", "2024-01-01"}, 2, "--to is required"},
      {{"--from", "2024-01-01", "--to", "2024-12-31", "--threshold", "0"}, 2, "--threshold \"0\""},
      {{"--from", "2024-01-01", "--to", "2024-12-31", "--threshold", "ten"}, 2, "--threshold \"ten\""},
      {{"--from", "2024-01-01", "--to", "2024-12-31", "--months", "3"}, 2, "unknown option --months"},
      {{"--from", "2024-01-01", "--to", "2024-12-31", "--factors", missing}, 1, "no-such-halcyra-folder"},
  };
  for (const Case& c : cases) {
    const ToolRun r = tool(c.args);
    EXPECT_EQ(r.exitCode, c.status) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.said))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
  }
  const ToolRun noStore = runTool({"service-audit", missing, "--from", "2024-01-01", "--to", "2024-12-31"});
  EXPECT_EQ(noStore.exitCode, 1);
  EXPECT_TRUE(noStore.err.contains(missing)) << noStore.err.toStdString();
  EXPECT_TRUE(noStore.out.isEmpty());
}

}  // namespace
