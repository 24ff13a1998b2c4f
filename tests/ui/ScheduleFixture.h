#pragma once
// The main window with a course open, for the schedule's tests: the program as a therapist meets
// it (tests/support/WindowFixture.h), shown and active on the offscreen platform, and a script
// that answers the entry dialog each time the schedule shows it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <deque>
#include <functional>
#include <optional>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "records/VarBytes.h"
#include "support/WindowFixture.h"
#include "treatment/CourseColumns.h"
#include "treatment/QtPrinters.h"
#include "ui/TreatmentEntryDialog.h"
#include "ui/widgets/ClickPanel.h"
#include "ui/widgets/MaskEdit.h"
#include "ui/widgets/ScheduleGrid.h"

namespace schedule_test {

using Step = std::function<void(ui::TreatmentEntryDialog&)>;

// Answers the entry dialog whenever it shows: the next step given to `then`, or "Undo" when no
// step is left. A step that leaves the dialog open fails the test and the dialog closes with
// "Undo", so that a faulty test cannot hang.
class DialogScript : public QObject {
 public:
  explicit DialogScript(ui::TreatmentEntryDialog* dialog) : dialog_(dialog) { dialog_->installEventFilter(this); }

  void then(Step step) { steps_.push_back(std::move(step)); }

  int shown = 0;
  std::vector<bool> stopTickedOnShow;  // the "Stop Treatment" box as each showing began
  std::vector<float> expectedOnShow;   // the dose the entered one was checked against

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == dialog_ && event->type() == QEvent::Show) {
      ++shown;
      stopTickedOnShow.push_back(dialog_->stopTreatmentTicked());
      expectedOnShow.push_back(dialog_->expectedDose);
      Step step = [](ui::TreatmentEntryDialog& f) { widgetNamed<QToolButton>(&f, names::BitBtn3)->click(); };
      if (!steps_.empty()) {
        step = std::move(steps_.front());
        steps_.pop_front();
      }
      QMetaObject::invokeMethod(
          this,
          [this, step] {
            step(*dialog_);
            if (dialog_->isVisible()) {
              ADD_FAILURE() << "the entry dialog stayed open";
              dialog_->done(ui::TreatmentEntryDialog::Undo);
            }
          },
          Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  ui::TreatmentEntryDialog* dialog_;
  std::deque<Step> steps_;
};

// One treatment as the therapist enters it.
struct Visit {
  int condition = Same;  // the panel of codes 1..4
  int burn = 0;          // 0, or the panel of codes 5..7
  QString dose = {};     // typed; empty: the dose the plan expects, as a whole number
  QString temperature = QStringLiteral("36.5");
  QString time = QStringLiteral(" 5:30");
  QString initials = QStringLiteral("ABC");
  QDate date = QDate(2023, 3, 7);
  bool stop = false;
};

inline ui::ClickPanel* panelOf(ui::TreatmentEntryDialog& f, int code) {
  static const char* const panels[] = {names::PanelA, names::PanelB, names::PanelC, names::PanelD,
                                       names::PanelE, names::PanelF, names::PanelG};
  return widgetNamed<ui::ClickPanel>(&f, panels[code - 1]);
}
template <class T = QWidget>
T* field(ui::TreatmentEntryDialog& f, const char* name) {
  return widgetNamed<T>(&f, name);
}

// Fills the fields and clicks the panels, "Stop Treatment" as asked, and "Update".
inline Step update(const Visit& v) {
  return [v](ui::TreatmentEntryDialog& f) {
    field<ui::MaskEdit>(f, names::MaskTime)->setMaskedText(v.time);
    field<ui::MaskEdit>(f, names::MaskInit)->setMaskedText(v.initials);
    field<QLineEdit>(f, names::EdTemp)->setText(v.temperature);
    field<QLineEdit>(f, names::EdDose)->setText(v.dose.isEmpty() ? fmt::Fixed(f.expectedDose, 0, 0) : v.dose);
    field<QDateTimeEdit>(f, names::DateTimePicker1)->setDate(v.date);
    QTest::mouseClick(panelOf(f, v.condition), Qt::LeftButton);
    if (v.burn != 0) QTest::mouseClick(panelOf(f, v.burn), Qt::LeftButton);
    f.setStopTreatment(v.stop);
    auto* updateButton = field<QToolButton>(f, names::BitBtn1);
    QTest::mouseClick(updateButton, Qt::LeftButton);
    // A dose or temperature warning keeps the dialog open; the therapist reads it and clicks again.
    if (f.isVisible()) QTest::mouseClick(updateButton, Qt::LeftButton);
  };
}
inline Step clear() {
  return [](ui::TreatmentEntryDialog& f) { QTest::mouseClick(field(f, names::BitBtn2), Qt::LeftButton); };
}
inline Step undo() {
  return [](ui::TreatmentEntryDialog& f) { QTest::mouseClick(field(f, names::BitBtn3), Qt::LeftButton); };
}

// The seven record columns of `d`'s current course row, unpacked as the window unpacks them.
inline std::array<TreatmentRecord, kTreatments> recordsIn(const records::Store& d) {
  treatment::TableColumns packed;
  packed.burn = records::LoadVarBytes(d.courseBurns, kTreatments);
  packed.response = records::LoadVarBytes(d.courseResponses, kTreatments);
  packed.Temperature = records::LoadVarBytes(d.courseTemperatures, 4 * kTreatments);
  packed.Dose = records::LoadVarBytes(d.courseDoses, 4 * kTreatments);
  packed.WhenDate = records::LoadVarBytes(d.courseDates, 4 * kTreatments);
  packed.TxTime = records::LoadVarBytesStream(d.courseTimes)->data();
  packed.Initials = records::LoadVarBytesStream(d.courseInitials)->data();
  return treatment::unpackTable(packed);
}

// The darkest pixel of a rectangle: the colour a text is written in, whatever its edges blend to.
inline QColor darkest(const QImage& image, const QRect& rect) {
  QColor dark(255, 255, 255);
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor c(image.pixel(x, y));
      if (c.lightness() < dark.lightness()) dark = c;
    }
  return dark;
}

inline bool sameRecord(const TreatmentRecord& a, const TreatmentRecord& b) {
  return a.response == b.response && a.burn == b.burn && a.Temperature == b.Temperature && a.Dose == b.Dose &&
         a.time == b.time && a.Initials == b.Initials &&
         datetime::toQDateTime(a.When).date() == datetime::toQDateTime(b.When).date();
}

// The colour covering most of a rectangle of an image: a cell's fill, whatever text is on it.
inline QColor dominantColour(const QImage& image, const QRect& rect) {
  QHash<QRgb, int> counts;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) ++counts[image.pixel(x, y) & 0xFFFFFFu];
  QRgb best = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    if (it.value() > most) {
      most = it.value();
      best = it.key();
    }
  }
  return QColor(best);
}

class ScheduleWindow : public WindowFixture {
 public:
  ScheduleWindow() : script(find<ui::TreatmentEntryDialog>(names::Condition_Form)) {}

  ui::ScheduleGrid* grid() const { return find<ui::ScheduleGrid>(names::StringGrid1); }
  const TreatmentRecord& record(int row) const { return course->records()[static_cast<std::size_t>(row - 1)]; }
  double expected(int row) const { return course->dosing().plannedDose()[static_cast<std::size_t>(row - 1)]; }

  // Opens the patient from the list as a therapist does (the NHI typed, Select: a new NHI gets a
  // patient and a first course) and plans the course for skin type II at 40 years with the Average
  // estimate as MED.
  void openNewCourse(const QString& nhi = QStringLiteral("ABC1234")) {
    selectPatient(nhi);
    ASSERT_EQ(course->mode(), course::Mode::Patient);
    find<QComboBox>(names::ComSkinType)->setCurrentIndex(1);
    type(find(names::EdAge), QStringLiteral("40"));
    leave(find(names::EdAge));
    QTest::mouseClick(find(names::Panel5), Qt::LeftButton);
    ASSERT_TRUE(grid()->isEnabled());
    ASSERT_GT(expected(1), 0.0);
    boxes.clear();  // the plan's own warnings, if any, are not what the schedule's tests look at
  }
  void selectPatient(const QString& nhi) {
    type(find(names::EdHosp), nhi);
    QTest::mouseClick(find(names::BtnSelect), Qt::LeftButton);
  }
  void backToList() { QTest::mouseClick(find(names::BtnClear), Qt::LeftButton); }

  QRect cellRect(int column, int row) const { return grid()->visualRect(grid()->model()->index(row - 1, column)); }
  void clickCell(int column, int row) {
    grid()->scrollTo(grid()->model()->index(row - 1, column));  // as the user scrolls to it
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellRect(column, row).center());
    reactivate();
  }
  // A key pressed and released where the focus is, as the keyboard delivers it.
  void key(int key, const QString& text = {}) {
    QTest::keyPress(QApplication::focusWidget(), static_cast<Qt::Key>(key), Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(QApplication::focusWidget(), &release);
  }
  void type(QChar c) {
    QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
    QApplication::sendEvent(QApplication::focusWidget(), &press);
    QKeyEvent release(QEvent::KeyRelease, c.unicode(), Qt::NoModifier, QString(c));
    QApplication::sendEvent(QApplication::focusWidget(), &release);
  }
  using WindowFixture::type;
  std::pair<int, int> current() const { return {grid()->currentColumn(), grid()->currentRowNumber()}; }

  std::optional<bool> storedComplete() const { return course->courseComplete(); }
  // Another workstation marks the course finished or not; the course is then opened again.
  void setStoredComplete(bool complete, const QString& nhi = QStringLiteral("ABC1234")) {
    auto other = secondCopy();
    other->listOnlyNhi(nhi);
    other->courses.last();
    other->courses.edit();
    other->courseFinished.setBoolean(complete);
    other->courses.post();
    other->storeCourseStatus();
    backToList();
    selectPatient(nhi);
  }
  // The course as another copy of the program reads it from the file.
  std::array<TreatmentRecord, kTreatments> recordsInFile(const QString& nhi = QStringLiteral("ABC1234")) const {
    auto other = secondCopy();
    other->listOnlyNhi(nhi);
    other->courses.last();
    return recordsIn(*other);
  }
  int patientStatus() const { return data().patientStatus.asInteger(); }

  // The grid as drawn, scrolled to its first row and column.
  QImage picture() const {
    grid()->horizontalScrollBar()->setValue(0);
    grid()->verticalScrollBar()->setValue(0);
    return grid()->viewport()->grab().toImage();
  }

  DialogScript script;
};

}  // namespace schedule_test
