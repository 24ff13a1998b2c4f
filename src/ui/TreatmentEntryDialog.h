#pragma once
// The treatment entry dialog "Patient Condition": the therapist records one treatment in it.
// It works on copies of the record's values; only the schedule copies them back, and only when
// the dialog closes with "Update".
//
// Shown modally it returns the tag of the button that closed it: 1 "Update", 2 "Undo",
// 3 "Clear"; any other way of closing it counts as "Undo". After "Update" the schedule reads
// FCondition, FBurn, FTemperature, FDose, the date of DateTimePicker1 and the texts of MaskInit
// and MaskTime (maskedText(): every position, unfilled ones as spaces).

#include <QDialog>
#include <array>
#include <cstdint>

#include "treatment/Condition.h"

class ClickPanel;
class MaskEdit;
class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QToolButton;

class TCondition_Form : public QDialog {
  Q_OBJECT
 public:
  enum Result { Update = 1, Undo = 2, Clear = 3 };

  explicit TCondition_Form(QWidget* parent = nullptr);

  // Fills the dialog for one treatment: `record` as stored, `expected` the planned dose that
  // the entered dose is checked against.
  void Load(const TCondition& record, double expected);

  // The working values, copied back into the record by the schedule after "Update".
  std::array<ClickPanel*, 8> Con_Panels{};  // 1..7: the panels of codes 1..7; 0 holds none
  std::int8_t FBurn = 0;                    // 0 or 5..7
  std::int8_t FCondition = 0;               // 0 (none chosen yet) or 1..4
  float FTemperature = 0;                   // degrees Celsius; 0 when none was entered
  float CheckDose = 0;                      // the expected dose, mJ/cm2
  float FDose = 0;                          // the delivered dose, mJ/cm2; 0 when none was entered

  MaskEdit* MaskTime;
  QLineEdit* EdTemp;
  QLineEdit* EdDose;
  MaskEdit* MaskInit;
  QDateTimeEdit* DateTimePicker1;
  QToolButton* BitBtn1;  // "Update"
  QToolButton* BitBtn2;  // "Clear"
  QToolButton* BitBtn3;  // "Undo"
  QCheckBox* ChkStop;
  ClickPanel* PanelA;
  ClickPanel* PanelB;
  ClickPanel* PanelC;
  ClickPanel* PanelD;
  ClickPanel* PanelE;
  ClickPanel* PanelF;
  ClickPanel* PanelG;

  // The dialog's handlers, public so that the schedule's tests and the dialog's own can drive them.
  void PanelCClick(ClickPanel* panel);  // a condition panel: chooses that condition
  void PanelBClick(ClickPanel* panel);  // a burn panel: chooses that burn, or takes it back
  void BitBtnClick(QToolButton* button);
  void EdDoseExit();
  void EdTempExit();

 public slots:
  void reject() override { done(Undo); }  // a window-manager close leaves the record untouched

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void buildLayout();
  ClickPanel* panelOf(int code) const;
  void setPanelBold(int code, bool bold);

  // The checks behind EdDoseExit and EdTempExit; each returns whether it told the user something.
  bool checkDose();
  bool checkTemperature();
  // Before "Update" closes the dialog: the fields whose check has not run on their latest text
  // (the one still being typed in, or one just left) are checked now. Returns false when the
  // user was told something and should look again before the dialog closes.
  bool settleFields();
  bool doseExitPending_ = false;         // left, check not yet run
  bool temperatureExitPending_ = false;

  // The texts last checked (or shown by Load): a field whose text has not changed since is
  // not checked again before "Update".
  QString doseChecked_;
  QString temperatureChecked_;
  // The texts Load showed: a field still showing them keeps the record's exact value, which
  // the shown text may have rounded.
  QString doseShown_;
  QString temperatureShown_;
};

extern TCondition_Form* Condition_Form;
