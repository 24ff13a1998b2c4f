// "Department audit..." on the About tab, offscreen, over the constructed department of
// AuditFixtures.h: the dialog shows the figures the tool prints, in the same order, with its
// charts and lists, works on a thread of its own, and exports the same CSV and a PDF.

#include <gtest/gtest.h>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "AuditFixtures.h"
#include "audit/AuditLines.h"
#include "base/Formats.h"
#include "records/Database.h"
#include "report/PdfSupport.h"
#include "support/WindowFixture.h"
#include "ui/DepartmentAuditDialog.h"

namespace {

using audit_fixtures::expectedYear;
using audit_fixtures::kYear;

QStringList column(const QTableWidget* t, int c) {
  QStringList out;
  for (int r = 0; r < t->rowCount(); ++r) out << (t->item(r, c) ? t->item(r, c)->text() : QString());
  return out;
}

QList<qreal> bars(QChartView* view) {
  const auto series = view->chart()->series();
  if (series.isEmpty()) return {};
  const auto sets = static_cast<QBarSeries*>(series.front())->barSets();
  QList<qreal> out;
  for (int i = 0; i < sets.front()->count(); ++i) out << sets.front()->at(i);
  return out;
}

class DepartmentAuditWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_records::RawStore raw(records::databasePath(f_.dbDir));
    audit_fixtures::storeDepartment(raw);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell")
        .setValue("LifetimeReviewThreshold", 10);
    f_.show();
  }

  ui::DepartmentAuditDialog* openAudit() {
    f_.find<QTabWidget>(names::PageControl1)->setCurrentWidget(f_.find(names::TabAbout));
    QTest::mouseClick(f_.find<QPushButton>(names::BtnDepartmentAudit), Qt::LeftButton);
    return f_.window->findChild<ui::DepartmentAuditDialog*>();
  }
  static bool ended(ui::DepartmentAuditDialog* d) {
    return QTest::qWaitFor([d] { return !d->working(); }, 30000);
  }

  WindowFixture f_;
};

TEST_F(DepartmentAuditWindow, ShowsTheFiguresTheToolPrintsAndExportsThem) {
  ui::DepartmentAuditDialog* d = openAudit();
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(d->isModal()) << "the main window stays usable";
  EXPECT_EQ(d->period(), audit::lastTwelveMonths(QDate::currentDate()));
  ASSERT_TRUE(ended(d));
  EXPECT_TRUE(widgetNamed<QPushButton>(d, names::AuditExportPdf)->isEnabled()) << "the figures shown can be exported";
  EXPECT_TRUE(widgetNamed<QPushButton>(d, names::AuditExportCsv)->isEnabled());

  d->setPeriod(kYear);
  EXPECT_TRUE(widgetNamed<QLabel>(d, names::AuditStatus)->text().startsWith("Press Work out"));
  QTest::mouseClick(widgetNamed<QPushButton>(d, names::AuditWorkOut), Qt::LeftButton);
  // Until the reading's end comes back to the window's thread, it shows its progress with Cancel.
  EXPECT_TRUE(d->working());
  EXPECT_FALSE(widgetNamed<QProgressBar>(d, names::AuditProgress)->isHidden());
  EXPECT_FALSE(widgetNamed<QPushButton>(d, names::AuditCancel)->isHidden());
  EXPECT_FALSE(widgetNamed<QPushButton>(d, names::AuditExportPdf)->isEnabled());
  ASSERT_TRUE(ended(d));
  EXPECT_TRUE(widgetNamed<QProgressBar>(d, names::AuditProgress)->isHidden());
  ASSERT_TRUE(d->figures());

  // The figures are the tool's, line for line, in the user's writing (here with a point).
  EXPECT_EQ(QString::fromUtf8(audit::toolText(audit::auditLines(*d->figures(), fmt::Point()))), expectedYear());
  const auto* figures = widgetNamed<QTableWidget>(d, names::AuditFigures);
  QStringList labels, values;
  for (const audit::AuditLine& l : audit::figureLines(*d->figures(), QLocale())) {
    if (l.name.contains("_type_")) continue;
    if (l.name == "patients_over_threshold") {
      labels << "Lifetime review threshold (treatments)";
      values << "10";
    }
    labels << audit::figureLabel(l.name);
    values << l.values.front();
  }
  EXPECT_EQ(column(figures, 0), labels);
  EXPECT_EQ(column(figures, 1), values);
  EXPECT_EQ(column(figures, 1).mid(0, 8), QStringList({"6", "6", "15", "4", "1", "2", "3", "40.00"}));
  const auto* types = widgetNamed<QTableWidget>(d, names::AuditSkinTypes);
  EXPECT_EQ(column(types, 1), QStringList({"2", "4", "0", "3", "1", "3"}));
  EXPECT_EQ(column(types, 5), QStringList({"0.00", "25.00", "-", "66.67", "0.00", "66.67"}));
  const auto* burns = widgetNamed<QTableWidget>(d, names::AuditGradeThree);
  EXPECT_EQ(column(burns, 0), QStringList({"BBB0002", "EEE0005", "HHH0008"}));
  EXPECT_EQ(column(burns, 6), QStringList({"25.0", "-", "-"}));
  EXPECT_EQ(column(widgetNamed<QTableWidget>(d, names::AuditReviews), 1), QStringList({"10", "10"}));

  // The charts: burns per 100 treatments in each month of 2024, finished courses by treatments.
  const QList<qreal> months = bars(widgetNamed<QChartView>(d, names::AuditBurnChart));
  ASSERT_EQ(months.size(), 12);
  EXPECT_NEAR(months[2], 25.0, 1e-9);       // March: AAA0001's 4 treatments, one burn
  EXPECT_NEAR(months[8], 200.0 / 3, 1e-9);  // September: HHH0008
  EXPECT_EQ(months[10], 0.0);               // November: no treatment
  const QList<qreal> courses = bars(widgetNamed<QChartView>(d, names::AuditCourseChart));
  ASSERT_EQ(courses.size(), 29);
  EXPECT_EQ(courses[2], 1.0);
  EXPECT_EQ(courses[3], 2.0);

  // Exported: the tool's CSV, and the PDF naming the calibration the program started with.
  QTemporaryDir out;
  d->exportCsvTo(out.filePath("audit.csv"));
  QFile csv(out.filePath("audit.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  QString expectedCsv = expectedYear();
  expectedCsv.replace(u'\t', u',').replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  EXPECT_EQ(QString::fromUtf8(csv.readAll()), expectedCsv);
  d->exportPdfTo(out.filePath("audit.pdf"));
  const QString text = pdf_support::poppler("pdftotext", {"-layout"}, out.filePath("audit.pdf"));
  EXPECT_TRUE(text.contains("Grade III burns in the period: 3")) << text.toStdString();
  EXPECT_TRUE(text.contains(QDir(f_.startDir).absoluteFilePath("UVB_Factors.Dat"))) << text.toStdString();
  EXPECT_TRUE(widgetNamed<QLabel>(d, names::AuditStatus)->text().startsWith("Exported to"));
}

TEST_F(DepartmentAuditWindow, APeriodThatEndsBeforeItBeginsIsNotWorkedOutAndCancelKeepsTheFigures) {
  ui::DepartmentAuditDialog* d = openAudit();
  ASSERT_TRUE(d && ended(d));
  d->setPeriod(kYear);
  d->workOut();
  ASSERT_TRUE(ended(d));

  d->setPeriod({QDate(2024, 6, 1), QDate(2024, 5, 1)});
  EXPECT_FALSE(widgetNamed<QPushButton>(d, names::AuditWorkOut)->isEnabled());
  EXPECT_TRUE(widgetNamed<QLabel>(d, names::AuditStatus)->text().contains("ends before it begins"));
  d->workOut();
  EXPECT_FALSE(d->working());

  d->setPeriod({QDate(2024, 1, 1), QDate(2024, 6, 30)});
  d->workOut();
  d->cancel();
  ASSERT_TRUE(ended(d));
  // Stopped at its first page: the year's figures stay, and the status says whose they are. (Read
  // to its end before Cancel came, it shows the half year's.)
  ASSERT_TRUE(d->figures());
  const QString status = widgetNamed<QLabel>(d, names::AuditStatus)->text();
  if (d->figures()->period == kYear) {
    EXPECT_TRUE(status.startsWith("Cancelled. The figures shown are of")) << status.toStdString();
  } else {
    EXPECT_TRUE(status.startsWith("Figures of")) << status.toStdString();
  }
  // A second click brings the same window up rather than another.
  EXPECT_EQ(openAudit(), d);
  EXPECT_EQ(f_.window->findChildren<ui::DepartmentAuditDialog*>().size(), 1);
  EXPECT_TRUE(f_.boxes.empty());
}

}  // namespace
