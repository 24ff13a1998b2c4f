#include "ui/PatientListPanel.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "records/DataSetModel.h"
#include "ui/Actions.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

namespace {

const QStringList kPatientColumns = {"Hosp",    "SurN", "FirstN", "SecN",  "Birth",    "WorkPh", "MEMOs",
                                     "NCourse", "Eyes", "Hair",   "SkinC", "Complete", "HomePh", "CellPh"};
const QStringList kCourseColumns = {
    "DateAssess",  "Old",        "ComDiag",  "ComReason", "ComSkinType", "ComCondition", "EdLong",
    "RadioPrevRx", "EdRxResult", "MemoMeds", "MemoOps",   "EdMed",       "SkinIndex",    "SpotsLength",
    "Spots",       "Condition",  "TxTime",   "Dose",      "WhenDate",    "Initials",     "Temperature",
    "PInc",        "Consultant", "Referal",  "Cautions",  "Complete",    "Burn"};
const QStringList kImageColumns = {"WhenDate", "JpegImage", "NoteMemo"};

// The course grid colours the assessment date by the course's state: finished pink, treatments
// recorded light yellow, new white.
class CourseGridDelegate : public QStyledItemDelegate {
 public:
  CourseGridDelegate(DataSetModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const records::DataSet& courses = model_->dataSet();
    const auto& table = courses.table();
    if (model_->tableColumn(index.column()) != table.indexOf("DateAssess")) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const int row = index.row() + 1;
    QColor background(255, 255, 255);
    if (courses.valueAt(row, table.indexOf("Complete")).toBool())
      background = QColor(255, 221, 221);
    else if (!courses.valueAt(row, table.indexOf("Condition")).isNull())
      background = QColor(255, 255, 224);
    painter->fillRect(option.rect, background);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(option.rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    if (option.state & QStyle::State_Selected) {
      painter->setPen(option.palette.color(QPalette::Highlight));
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
  }

 private:
  DataSetModel* model_;
};

QTableView* makeGrid(const char* name, const QString& label) {
  auto* t = make::input(new QTableView, name, label);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->verticalHeader()->setDefaultSectionSize(20);
  t->horizontalHeader()->setSectionsMovable(false);
  return t;
}

}  // namespace

PatientListPanel::PatientListPanel(course::OpenCourse& course, Actions& actions, QWidget* parent)
    : QFrame(parent), course_(course), actions_(actions) {
  setObjectName(names::PanDataBase);
  auto* patients = makeGrid(names::DBGrid1, "Patients");
  auto* courses = makeGrid(names::DBGrid2, "Courses");
  auto* photographs = makeGrid(names::DBGrid3, "Photographs");
  auto* right = make::named(new QSplitter(Qt::Vertical), names::SplitterCourses);
  right->addWidget(courses);
  right->addWidget(photographs);
  auto* split = make::named(new QSplitter(Qt::Horizontal), names::SplitterPatients);
  split->addWidget(patients);
  split->addWidget(right);
  split->setSizes({450, 450});
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(split, 1);

  const records::Store& data = course_.data();
  bindGrid(patients, data.patients, kPatientColumns, [this](int recNo) { course_.pickPatient(recNo); });
  bindGrid(courses, data.courses, kCourseColumns, [this](int recNo) { course_.pickCourse(recNo); });
  bindGrid(photographs, data.photos, kImageColumns, [this](int recNo) { course_.pickPhotograph(recNo); });
  courses->setItemDelegate(new CourseGridDelegate(static_cast<DataSetModel*>(courses->model()), courses));
}

void PatientListPanel::bindGrid(QTableView* grid, const records::DataSet& rows, const QStringList& columns,
                                std::function<void(int)> pick) {
  auto* model = new DataSetModel(rows, columns, grid);
  grid->setModel(model);
  const auto showCurrent = [grid, &rows] {
    if (!rows.active() || rows.awaitingList() || rows.isEmpty()) return;
    const QSignalBlocker quiet(grid->selectionModel());
    grid->selectionModel()->setCurrentIndex(grid->model()->index(rows.recNo() - 1, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  };
  connect(&rows, &records::DataSet::afterScroll, grid, showCurrent);
  connect(model, &QAbstractItemModel::modelReset, grid, showCurrent);
  connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
          [this, &rows, pick](const QModelIndex& current) {
            if (current.isValid() && rows.active() && !rows.awaitingList() && rows.recNo() != current.row() + 1)
              actions_.run([&] { pick(current.row() + 1); });
          });
}

}  // namespace ui
