#include "treatment/ConditionForm.h"

TCondition_Form* Condition_Form = nullptr;

TCondition_Form::TCondition_Form(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("Condition_Form");
  setWindowTitle("Patient Condition");
  setModal(true);
}
