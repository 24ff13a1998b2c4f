#include "ui/DepartmentAuditDialog.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "audit/AuditCharts.h"
#include "audit/AuditFile.h"
#include "audit/AuditLines.h"
#include "audit/AuditReport.h"
#include "audit/AuditRunner.h"
#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "report/PdfWriter.h"
#include "ui/Actions.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

namespace {

const char* const kRoman[audit::kSkinTypes] = {"I", "II", "III", "IV", "V", "VI"};

QTableWidget* table(const char* name, const QString& label, const QStringList& headers) {
  auto* t = make::input(new QTableWidget(0, static_cast<int>(headers.size())), name, label);
  t->setHorizontalHeaderLabels(headers);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setTabKeyNavigation(false);  // Tab leaves the table for the next control
  t->verticalHeader()->setVisible(false);
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

// Fills `t` with `rows`; the columns from `firstNumber` on hold numbers and are aligned right.
void fill(QTableWidget* t, const std::vector<QStringList>& rows, int firstNumber) {
  t->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const QStringList& row = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()) && c < t->columnCount(); ++c) {
      auto* item = new QTableWidgetItem(row[c]);
      if (c >= firstNumber) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      t->setItem(r, c, item);
    }
  }
  t->resizeColumnsToContents();
}

QChartView* chartView(const char* name, const QString& label) {
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setLocalizeNumbers(true);  // the scale in the user's writing of numbers
  auto* view = make::input(new QChartView(chart), name, label);
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(360, 260);
  return view;
}

}  // namespace

DepartmentAuditDialog::DepartmentAuditDialog(records::Connection::Login login, const QString& calibration,
                                             std::optional<int> threshold, const QDate& today, QWidget* parent)
    : QDialog(parent),
      login_(std::move(login)),
      calibration_(calibration),
      threshold_(threshold),
      actions_(new Actions(this)) {
  setObjectName(names::DepartmentAudit);
  setWindowTitle(QStringLiteral("Department audit"));
  setModal(false);
  resize(980, 680);

  // The period.
  from_ = make::datePicker(names::AuditFrom, QStringLiteral("From"));
  to_ = make::datePicker(names::AuditTo, QStringLiteral("To"));
  for (DatePicker* picker : {from_, to_}) picker->setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
  workOut_ = make::named(new QPushButton(QStringLiteral("Work out")), names::AuditWorkOut);
  workOut_->setToolTip(QStringLiteral("Works out the figures of the period from every course in the database."));
  auto* period = new QHBoxLayout;
  period->addWidget(make::caption(QStringLiteral("&From"), from_));
  period->addSpacing(4);
  period->addWidget(from_);
  period->addSpacing(12);
  auto* toCaption = make::caption(QStringLiteral("&To"), to_);
  toCaption->setMinimumWidth(toCaption->sizeHint().width() + 4);  // a short word, never cut
  period->addWidget(toCaption);
  period->addSpacing(4);
  period->addWidget(to_);
  period->addSpacing(12);
  period->addWidget(workOut_);
  period->addStretch(1);

  // The figures.
  figureTable_ =
      table(names::AuditFigures, QStringLiteral("Figures"), {QStringLiteral("Figure"), QStringLiteral("Value")});
  skinTypeTable_ = table(names::AuditSkinTypes, QStringLiteral("Burns by skin type"),
                         {QStringLiteral("Skin type"), QStringLiteral("Treatments"), QStringLiteral("Burn I"),
                          QStringLiteral("Burn II"), QStringLiteral("Burn III"), QStringLiteral("Per 100 treatments")});
  auto* figuresPage = new QWidget;
  auto* figuresLayout = new QHBoxLayout(figuresPage);
  figuresLayout->addWidget(figureTable_, 1);
  auto* typesColumn = new QVBoxLayout;
  typesColumn->addWidget(make::caption(QStringLiteral("Burns by skin type"), skinTypeTable_));
  typesColumn->addWidget(skinTypeTable_, 1);
  auto* typesNote =
      new QLabel(QStringLiteral("A course without a skin type (none chosen, or \"Agressive\") counts in "
                                "the department's figures only."));
  typesNote->setWordWrap(true);
  typesColumn->addWidget(typesNote);
  figuresLayout->addLayout(typesColumn, 1);

  burnChart_ = chartView(names::AuditBurnChart, QStringLiteral("Burns per 100 treatments"));
  courseChart_ = chartView(names::AuditCourseChart, QStringLiteral("Finished courses by treatments given"));
  auto* chartsPage = new QWidget;
  auto* chartsLayout = new QHBoxLayout(chartsPage);
  chartsLayout->addWidget(burnChart_);
  chartsLayout->addWidget(courseChart_);

  gradeThreeTable_ =
      table(names::AuditGradeThree, QStringLiteral("Grade III burns"),
            {QStringLiteral("NHI"), QStringLiteral("Course"), QStringLiteral("Treatment"), QStringLiteral("Date"),
             QStringLiteral("Dose"), QStringLiteral("Previous dose"), QStringLiteral("% Inc")});
  reviewTable_ = table(
      names::AuditReviews, QStringLiteral("Patients due a lifetime review"),
      {QStringLiteral("NHI"), QStringLiteral("Lifetime treatments"), QStringLiteral("Lifetime dose (mJ/cm\u00b2)")});

  tabs_ = make::named(new QTabWidget, names::AuditTabs);
  tabs_->addTab(figuresPage, QStringLiteral("Figures"));
  tabs_->addTab(chartsPage, QStringLiteral("Charts"));
  tabs_->addTab(gradeThreeTable_, QStringLiteral("Grade III burns"));
  tabs_->addTab(reviewTable_, QStringLiteral("Lifetime review"));

  // Progress, and what can be done with the figures.
  progress_ = make::input(new QProgressBar, names::AuditProgress, QStringLiteral("Reading the courses"));
  progress_->setTextVisible(true);
  cancel_ = make::named(new QPushButton(QStringLiteral("Cancel")), names::AuditCancel);
  status_ = make::named(new QLabel, names::AuditStatus);
  status_->setWordWrap(true);
  status_->setTextFormat(Qt::PlainText);  // a store's reason is shown as it is, never as markup
  exportPdf_ = make::named(new QPushButton(QStringLiteral("Export PDF...")), names::AuditExportPdf);
  exportCsv_ = make::named(new QPushButton(QStringLiteral("Export CSV...")), names::AuditExportCsv);
  auto* close = new QPushButton(QStringLiteral("Close"));
  auto* working = new QHBoxLayout;
  working->addWidget(progress_, 1);
  working->addWidget(cancel_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status_, 1);
  buttons->addWidget(exportPdf_);
  buttons->addWidget(exportCsv_);
  buttons->addWidget(close);

  auto* v = new QVBoxLayout(this);
  v->addLayout(period);
  v->addWidget(tabs_, 1);
  v->addLayout(working);
  v->addLayout(buttons);

  actions_->on(workOut_, &QPushButton::clicked, [this] { workOut(); });
  actions_->on(cancel_, &QPushButton::clicked, [this] { cancel(); });
  actions_->on(exportPdf_, &QPushButton::clicked, [this] { exportPdf(); });
  actions_->on(exportCsv_, &QPushButton::clicked, [this] { exportCsv(); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  for (DatePicker* picker : {from_, to_})
    connect(picker, &QDateTimeEdit::dateChanged, this, [this] { periodEdited(); });

  setPeriod(audit::lastTwelveMonths(today));
  setWorking(false);
  workOut();
}

DepartmentAuditDialog::~DepartmentAuditDialog() = default;  // the runner stops and waits for its thread

audit::Period DepartmentAuditDialog::period() const { return {from_->date(), to_->date()}; }

void DepartmentAuditDialog::setPeriod(const audit::Period& p) {
  from_->setDate(p.from);
  to_->setDate(p.to);
}

void DepartmentAuditDialog::periodEdited() {
  if (working()) return;
  if (!period().isValid()) {
    status_->setText(
        QStringLiteral("The period ends before it begins: choose a \"To\" date on or after the \"From\" date."));
  } else if (figures_ && !(figures_->period == period())) {
    status_->setText(
        QStringLiteral("Press Work out for the figures of the period chosen; the figures shown are of %1 to %2.")
            .arg(datetime::shortDate(figures_->period.from), datetime::shortDate(figures_->period.to)));
  }
  workOut_->setEnabled(period().isValid());
}

void DepartmentAuditDialog::workOut() {
  const audit::Period p = period();
  if (!p.isValid()) {
    periodEdited();
    return;
  }
  runner_.reset();  // a reading still under way stops first
  runner_ = std::make_unique<audit::AuditRunner>(login_, p, threshold_);
  connect(runner_.get(), &audit::AuditRunner::progress, this, [this](qint64 done, qint64 total) {
    progress_->setMaximum(static_cast<int>(std::clamp<qint64>(total, 1, std::numeric_limits<int>::max())));
    progress_->setValue(static_cast<int>(std::clamp<qint64>(done, 0, std::numeric_limits<int>::max())));
    status_->setText(QStringLiteral("Reading the courses: %1 of %2").arg(fmt::D(done), fmt::D(total)));
  });
  connect(runner_.get(), &audit::AuditRunner::finished, this, [this] { readingFinished(); });
  status_->setText(QStringLiteral("Reading the courses..."));
  setWorking(true);
}

void DepartmentAuditDialog::cancel() {
  if (!runner_) return;
  runner_->cancel();
  status_->setText(QStringLiteral("Cancelling..."));
}

void DepartmentAuditDialog::readingFinished() {
  if (!runner_) return;
  std::optional<audit::Figures> figures = runner_->take();
  const bool cancelled = runner_->cancelled();
  const QString failure = runner_->failure();
  const bool failed = !figures && !cancelled;
  runner_.reset();
  if (figures) {
    figures_ = std::move(figures);
    showFigures();
    status_->setText(QStringLiteral("Figures of %1 to %2, from all %3 courses in the database.")
                         .arg(datetime::shortDate(figures_->period.from), datetime::shortDate(figures_->period.to),
                              fmt::D(figures_->coursesRead)));
  } else if (cancelled) {
    status_->setText(
        figures_ ? QStringLiteral("Cancelled. The figures shown are of %1 to %2.")
                       .arg(datetime::shortDate(figures_->period.from), datetime::shortDate(figures_->period.to))
                 : QStringLiteral("Cancelled."));
  } else {
    status_->setText(QStringLiteral("The figures could not be worked out: ") + failure);
  }
  setWorking(false);  // with the figures in, so that they can be exported
  if (failed) showError(this, QStringLiteral("The department audit could not read the database: ") + failure);
  emit readingEnded();
}

void DepartmentAuditDialog::showFigures() {
  const audit::Figures& f = *figures_;
  const QLocale locale;
  std::vector<QStringList> rows;
  for (const audit::AuditLine& line : audit::figureLines(f, locale)) {
    if (line.name.contains(QLatin1String("_type_"))) continue;
    if (line.name == QLatin1String("patients_over_threshold"))
      rows.push_back({QStringLiteral("Lifetime review threshold (treatments)"),
                      f.threshold ? fmt::D(*f.threshold) : QStringLiteral("not set")});
    rows.push_back({audit::figureLabel(line.name), line.values.value(0)});
  }
  fill(figureTable_, rows, 1);

  rows.clear();
  for (int type = 0; type < audit::kSkinTypes; ++type) {
    const audit::BurnTally& t = f.bySkinType[static_cast<std::size_t>(type)];
    rows.push_back({QString::fromLatin1(kRoman[type]), audit::countText(t.treatments), audit::countText(t.grade[0]),
                    audit::countText(t.grade[1]), audit::countText(t.grade[2]), audit::rateText(t.per100(), locale)});
  }
  fill(skinTypeTable_, rows, 1);

  rows.clear();
  for (const audit::GradeThreeBurn& b : f.gradeThree) {
    rows.push_back({text::oneLine(b.nhi), audit::countText(b.courseId), audit::countText(b.treatment),
                    datetime::shortDate(b.date, locale), audit::figureText(b.dose, locale),
                    audit::figureText(b.previousDose, locale), audit::figureText(b.increase, locale)});
  }
  fill(gradeThreeTable_, rows, 1);
  rows.clear();
  for (const audit::LifetimeReview& r : f.reviews)
    rows.push_back({text::oneLine(r.nhi), audit::countText(r.treatments), audit::figureText(r.dose, locale)});
  fill(reviewTable_, rows, 1);
  tabs_->setTabText(2, QStringLiteral("Grade III burns (%1)").arg(f.gradeThree.size()));
  tabs_->setTabText(3, f.threshold ? QStringLiteral("Lifetime review (%1)").arg(f.reviews.size())
                                   : QStringLiteral("Lifetime review (no threshold set)"));

  showChart(burnChart_, audit::burnRateChart(f, locale));
  showChart(courseChart_, audit::treatmentsChart(f));
}

void DepartmentAuditDialog::showChart(QChartView* view, const audit::BarChart& bars) {
  QChart* chart = view->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  chart->setTitle(bars.emptyNote.isEmpty() ? bars.title : bars.title + QStringLiteral("\n") + bars.emptyNote);
  auto* set = new QBarSet(bars.valueAxis);
  set->setColor(bars.colour);
  QStringList categories;
  double most = 0;
  for (const audit::ChartBar& b : bars.bars) {
    const double value = b.value && std::isfinite(*b.value) ? *b.value : 0.0;
    set->append(value);
    most = std::max(most, value);
    categories << b.label;
  }
  auto* series = new QBarSeries;
  series->append(set);
  chart->addSeries(series);
  // Up to 13 bars each has its label; more would have theirs cut to "...", so only every few bars
  // are labelled, at the bar's middle.
  constexpr int kLabelled = 13;
  const int n = static_cast<int>(categories.size());
  QAbstractAxis* x = nullptr;
  if (n <= kLabelled) {
    auto* all = new QBarCategoryAxis;
    all->append(categories);
    x = all;
  } else {
    auto* some = new QCategoryAxis;
    some->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    some->setRange(-0.5, n - 0.5);
    const int every = (n + kLabelled - 2) / (kLabelled - 1);
    for (int i = 0; i < n; i += every) some->append(categories[i], i);
    some->setGridLineVisible(false);
    x = some;
  }
  x->setTitleText(bars.categoryAxis);
  // Words ("Mar 24") stand upright once there are more than a few: lying, they would be cut.
  qsizetype longest = 0;
  for (const QString& c : categories) longest = std::max(longest, c.size());
  x->setLabelsAngle(n > 6 && longest > 3 ? -90 : 0);
  auto* y = new QValueAxis;
  y->setTitleText(bars.valueAxis);
  if (bars.decimals == 0) {
    // Whole numbers: a step of at least 1, every label a whole number.
    const double top = std::max(1.0, std::ceil(most));
    y->setRange(0, top);
    y->setTickCount(static_cast<int>(std::min(top, 5.0)) + 1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
  } else {
    y->setRange(0, most > 0 ? most : 1.0);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.1f"));
  }
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  series->attachAxis(x);
  series->attachAxis(y);
}

void DepartmentAuditDialog::setWorking(bool on) {
  progress_->setVisible(on);
  cancel_->setVisible(on);
  cancel_->setEnabled(on);
  if (on) progress_->setValue(0);
  workOut_->setEnabled(!on && period().isValid());
  exportPdf_->setEnabled(!on && figures_.has_value());
  exportCsv_->setEnabled(!on && figures_.has_value());
}

QString DepartmentAuditDialog::proposedPath(const QString& extension) const {
  const QString folder =
      !lastFolder_.isEmpty() ? lastFolder_ : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir(folder).filePath(audit::auditFileName(figures_->period, extension));
}

void DepartmentAuditDialog::exportPdfTo(const QString& path) {
  if (!figures_) return;
  report::writePdf(audit::prepareAuditReport(*figures_, calibration_, QDate::currentDate(), QLocale()), path);
  lastFolder_ = QFileInfo(path).absolutePath();
  status_->setText(QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
}

void DepartmentAuditDialog::exportCsvTo(const QString& path) {
  if (!figures_) return;
  audit::writeAuditFile(path, audit::csvText(audit::auditLines(*figures_, fmt::Point())));
  lastFolder_ = QFileInfo(path).absolutePath();
  status_->setText(QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
}

void DepartmentAuditDialog::exportPdf() {
  if (!figures_) return;
  const QString path =
      QFileDialog::getSaveFileName(this, QStringLiteral("Export the audit to PDF"),
                                   proposedPath(QStringLiteral(".pdf")), QStringLiteral("PDF files (*.pdf)"));
  if (!path.isEmpty()) exportPdfTo(path);
}

void DepartmentAuditDialog::exportCsv() {
  if (!figures_) return;
  const QString path =
      QFileDialog::getSaveFileName(this, QStringLiteral("Export the audit as CSV"),
                                   proposedPath(QStringLiteral(".csv")), QStringLiteral("CSV files (*.csv)"));
  if (!path.isEmpty()) exportCsvTo(path);
}

void DepartmentAuditDialog::closeEvent(QCloseEvent* event) {
  if (runner_) runner_->cancel();  // its thread ends at the next page; the dialog does not wait for the rest
  QDialog::closeEvent(event);
}

}  // namespace ui
