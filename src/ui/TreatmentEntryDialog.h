#pragma once
// The treatment entry dialog "Patient Condition": the therapist records one treatment in it.
// It works on copies of the record's values; only the schedule copies them back, and only when
// the dialog closes with "Update".
//
// Shown modally it returns the tag of the button that closed it: 1 "Update", 2 "Undo",
// 3 "Clear"; any other way of closing it counts as "Undo". Closing it by the window manager, or
// pressing Escape, after something was entered asks first whether to leave it unrecorded.
// Every control is reached by keyboard: the response and burn panels are in the Tab order, Space
// chooses the one with the focus, and Alt+1 .. Alt+7 choose them from anywhere in the dialog
// ("Missed" .. "Clearing", "Burn I" .. "Burn III"). After "Update" the schedule reads
// entry(): the chosen condition and burn, the entered temperature and dose, the date, and the
// texts of the time and initials fields (every position, unfilled ones as spaces).

#include <QDialog>
#include <array>
#include <cstdint>

#include "treatment/ScheduleRules.h"
#include "treatment/TreatmentRecord.h"

class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QToolButton;

namespace ui {

class ClickPanel;
class MaskEdit;

class TreatmentEntryDialog : public QDialog {
  Q_OBJECT
 public:
  enum Result { Update = 1, Undo = 2, Clear = 3 };

  explicit TreatmentEntryDialog(QWidget* parent = nullptr);

  // Fills the dialog for one treatment: `record` as stored, `expected` the planned dose that
  // the entered dose is checked against.
  void load(const TreatmentRecord& record, double expected);
  // What the dialog holds, as "Update" gives it to the schedule.
  treatment::TreatmentEntry entry() const;
  // "Stop Treatment": set by the schedule before each showing, read after "Update".
  bool stopTreatmentTicked() const;
  void setStopTreatment(bool ticked);

  // The working values.
  std::int8_t chosenCondition = 0;  // 0 (none chosen yet) or 1..4
  std::int8_t chosenBurn = 0;       // 0 or 5..7
  float enteredTemperature = 0;     // degrees Celsius; 0 when none was entered
  float enteredDose = 0;            // mJ/cm2; 0 when none was entered
  float expectedDose = 0;           // the planned dose the entered one is checked against

  // The checks run when the dose or the temperature field is left.
  void doseLeft();
  void temperatureLeft();

  // Whether anything was entered since load(): closing without "Update" would lose it.
  bool changedSinceLoad() const;

 public slots:
  // A window-manager close: the record stays untouched ("Undo"), after asking when something was
  // entered.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setInitialDate();
  void placeAndFocus();
  void buildLayout();
  ClickPanel* panelOf(int code) const;
  void setPanelBold(int code, bool bold);
  void chooseCondition(ClickPanel* panel);  // a condition panel: chooses that condition
  void chooseBurn(ClickPanel* panel);       // a burn panel: chooses that burn, or takes it back
  void buttonClicked(QToolButton* button);

  // The checks behind leaving the dose and the temperature; each returns whether it told the
  // user something.
  bool checkDose();
  bool checkTemperature();
  // Before "Update" closes the dialog: the fields whose check has not run on their latest text
  // (the one still being typed in, or one just left) are checked now. Returns false when the
  // user was told something and should look again before the dialog closes.
  bool settleFields();
  // What the fields and panels hold, to tell whether anything was entered.
  QString snapshot() const;
  bool leaveUnrecorded();  // asks, when something was entered; true to close

  MaskEdit* timeField;
  QLineEdit* temperatureField;
  QLineEdit* doseField;
  MaskEdit* initialsField;
  QDateTimeEdit* dateField;
  QToolButton* updateButton;
  QToolButton* clearButton;
  QToolButton* undoButton;
  QCheckBox* stopTreatment;
  std::array<ClickPanel*, 8> panels_{};  // 1..7: the panels of codes 1..7; 0 holds none

  bool doseExitPending_ = false;  // left, check not yet run
  bool temperatureExitPending_ = false;
  // The texts last checked (or shown by load): a field whose text has not changed since is
  // not checked again before "Update".
  QString doseChecked_;
  QString temperatureChecked_;
  // The texts load showed: a field still showing them keeps the record's exact value, which
  // the shown text may have rounded.
  QString doseShown_;
  QString temperatureShown_;
  QString loaded_;  // snapshot() right after load()
};

}  // namespace ui
