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

#include "records/VarBytes.h"
#include "shell/ClickPanel.h"
#include "base/DateTime.h"
#include "base/Formats.h"
#include "shell/ScheduleGrid.h"
#include "support/WindowFixture.h"
#include "treatment/ConditionForm.h"
#include "treatment/CourseColumns.h"
#include "treatment/MaskEdit.h"
#include "treatment/QtPrinters.h"


namespace schedule_test {

using Step = std::function<void(TCondition_Form&)>;

// Answers the entry dialog whenever it shows: the next step given to `then`, or "Undo" when no
// step is left. A step that leaves the dialog open fails the test and the dialog closes with
// "Undo", so that a faulty test cannot hang.
class DialogScript : public QObject {
 public:
  explicit DialogScript(TCondition_Form* dialog) : dialog_(dialog) { dialog_->installEventFilter(this); }

  void then(Step step) { steps_.push_back(std::move(step)); }

  int shown = 0;
  std::vector<bool> stopTickedOnShow;  // the "Stop Treatment" box as each showing began
  std::vector<float> expectedOnShow;   // the dose the entered one was checked against

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == dialog_ && event->type() == QEvent::Show) {
      ++shown;
      stopTickedOnShow.push_back(dialog_->ChkStop->isChecked());
      expectedOnShow.push_back(dialog_->CheckDose);
      Step step = [](TCondition_Form& f) { f.BitBtnClick(f.BitBtn3); };
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
              dialog_->done(TCondition_Form::Undo);
            }
          },
          Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TCondition_Form* dialog_;
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

inline ClickPanel* panelOf(TCondition_Form& f, int code) { return f.Con_Panels[static_cast<std::size_t>(code)]; }

// Fills the fields and clicks the panels, "Stop Treatment" as asked, and "Update".
inline Step update(const Visit& v) {
  return [v](TCondition_Form& f) {
    f.MaskTime->setMaskedText(v.time);
    f.MaskInit->setMaskedText(v.initials);
    f.EdTemp->setText(v.temperature);
    f.EdDose->setText(v.dose.isEmpty() ? fmt::Fixed(f.CheckDose, 0, 0) : v.dose);
    f.DateTimePicker1->setDate(v.date);
    QTest::mouseClick(panelOf(f, v.condition), Qt::LeftButton);
    if (v.burn != 0) QTest::mouseClick(panelOf(f, v.burn), Qt::LeftButton);
    f.ChkStop->setChecked(v.stop);
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    // A dose or temperature warning keeps the dialog open; the therapist reads it and clicks again.
    if (f.isVisible()) QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
  };
}
inline Step clear() {
  return [](TCondition_Form& f) { QTest::mouseClick(f.BitBtn2, Qt::LeftButton); };
}
inline Step undo() {
  return [](TCondition_Form& f) { QTest::mouseClick(f.BitBtn3, Qt::LeftButton); };
}

// The seven record columns of `d`'s current course row, unpacked as the window unpacks them.
inline std::array<TCondition, kTreatments> recordsIn(const TDataPatient& d) {
  treatment::TableColumns packed;
  packed.Burn = records::LoadVarBytes(d.ADOCourseBurn, kTreatments);
  packed.Condition = records::LoadVarBytes(d.ADOCourseCondition, kTreatments);
  packed.Temperature = records::LoadVarBytes(d.ADOCourseTemperature, 4 * kTreatments);
  packed.Dose = records::LoadVarBytes(d.ADOCourseDose, 4 * kTreatments);
  packed.WhenDate = records::LoadVarBytes(d.ADOCourseWhenDate, 4 * kTreatments);
  packed.TxTime = records::LoadVarBytesStream(d.ADOCourseTxTime)->data();
  packed.Initials = records::LoadVarBytesStream(d.ADOCourseInitials)->data();
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

inline bool sameRecord(const TCondition& a, const TCondition& b) {
  return a.Condition == b.Condition && a.Burn == b.Burn && a.Temperature == b.Temperature && a.Dose == b.Dose &&
         a.Txtime == b.Txtime && a.Initials == b.Initials &&
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
  ScheduleWindow() : script(condition.get()) {}

  ScheduleGrid* grid() const { return form->StringGrid1; }

  void show() {
    form->resize(1200, 800);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  // Adds a patient and a course as "Select" does for an NHI nobody has, opens it, and plans it
  // for skin type II at 40 years with the Average estimate as MED.
  void openNewCourse(const QString& nhi = QStringLiteral("ABC1234")) {
    {
      AppStateGuard quiet;
      data->FindPatient(nhi, QString(), 7);
      data->AddPatient(nhi, QStringLiteral("Tester"));
      data->Addcourse();
    }
    AppState = PatientMode;
    form->ComSkinType->setCurrentIndex(1);
    form->EdAge->setText(QStringLiteral("40"));
    form->EdAgeExit();
    form->PanelToneClk(form->Panel5);
    ASSERT_TRUE(grid()->isEnabled());
    ASSERT_GT(form->Dosing.ExpectDose[0], 0.0);
    boxes.clear();  // the plan's own warnings, if any, are not what the schedule's tests look at
  }

  QRect cellRect(int column, int row) const {
    return grid()->visualRect(grid()->model()->index(row - 1, column));
  }
  void clickCell(int column, int row) {
    grid()->scrollTo(grid()->model()->index(row - 1, column));  // as the user scrolls to it
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellRect(column, row).center());
    reactivate();
  }
  // Once a dialog has closed the main window is active again, as a window manager makes it.
  void reactivate() {
    if (QApplication::activeWindow() == form.get()) return;
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
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
  std::pair<int, int> current() const { return {grid()->currentColumn(), grid()->currentRowNumber()}; }

  std::optional<bool> storedComplete() const {
    if (data->ADOCourseComplete.isNull()) return std::nullopt;
    return data->ADOCourseComplete.asBoolean();
  }
  void setStoredComplete(bool complete) {
    data->ADOCourse.edit();
    data->ADOCourseComplete.setBoolean(complete);
    data->ADOCourse.post();
  }
  // The course as another copy of the program reads it from the file.
  std::array<TCondition, kTreatments> recordsInFile(const QString& nhi = QStringLiteral("ABC1234")) const {
    auto other = secondCopy();
    other->FilterPatientByNHI(nhi);
    other->ADOCourse.last();
    return recordsIn(*other);
  }
  int patientStatus() const { return data->ADOPatientComplete.asInteger(); }

  // The grid as drawn, scrolled to its first row and column.
  QImage picture() const {
    grid()->horizontalScrollBar()->setValue(0);
    grid()->verticalScrollBar()->setValue(0);
    return grid()->viewport()->grab().toImage();
  }

  DialogScript script;
};

}  // namespace schedule_test
