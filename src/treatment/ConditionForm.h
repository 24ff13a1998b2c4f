#pragma once
// The treatment entry dialog "Patient Condition": the therapist records one treatment in it.
// It works on copies of the record's values; only the schedule copies them back.

#include <QDialog>

class TCondition_Form : public QDialog {
  Q_OBJECT
 public:
  explicit TCondition_Form(QWidget* parent = nullptr);
};

extern TCondition_Form* Condition_Form;
