#include "ui/AssessmentPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "base/DateTime.h"
#include "ui/Actions.h"
#include "ui/BodyDiagramPanel.h"
#include "ui/EstimatePanel.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"
#include "ui/widgets/DatePicker.h"

namespace ui {

namespace {

QString textIn(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  return {};
}

void showText(QWidget* w, const QString& text) {
  if (textIn(w) == text) return;
  const QSignalBlocker quiet(w);
  if (auto* e = qobject_cast<QLineEdit*>(w))
    e->setText(text);
  else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
    m->setPlainText(text);
  else if (auto* c = qobject_cast<QComboBox*>(w))
    c->setEditText(text);
}

// A list that takes a choice or free text (the diagnosis and the treatment type).
QComboBox* editableList(const char* name, const QString& label, const QStringList& items) {
  auto* c = make::dropDown(name, label, items);
  c->setEditable(true);
  c->lineEdit()->setAccessibleName(label);
  new OneLineField(c->lineEdit(), 20);
  c->setCurrentIndex(-1);
  return c;
}

QLabel* heading(const QString& text, bool underline) {
  auto* l = new QLabel(text);
  QFont f = l->font();
  f.setUnderline(underline);
  f.setBold(underline);
  l->setFont(f);
  return l;
}

}  // namespace

AssessmentPanel::AssessmentPanel(course::OpenCourse& course, Actions& actions, EstimatePanel& estimate,
                                 BodyDiagramPanel& diagram, QWidget* parent)
    : QFrame(parent), course_(course), actions_(actions) {
  setObjectName(names::PanDetails);
  buildDetails(estimate, diagram);
  buildParticulars(estimate);
  connectHandlers();
  setVisible(false);
}

void AssessmentPanel::buildDetails(EstimatePanel& estimate, BodyDiagramPanel& diagram) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(3);

  // Left column: skin type, condition, treatment, tone panels and MED, dates, people, memos.
  auto* leftBox = new QWidget;
  auto* left = new QGridLayout(leftBox);
  left->setContentsMargins(0, 0, 0, 0);
  left->setVerticalSpacing(3);
  condition_ = make::dropDown(names::ComCondition, "Condition", {"Flakey", "Scaley", "Red", "Pink"});
  treatmentType_ =
      editableList(names::DBTxType, "Treatment", {"PUVA", "NB UVB - Low", "NB UVB - High", "Vitiligo UVB Low"});
  schedule_ = make::dropDown(names::ComSched, "Schedule", {"11011", "3/Week", "2/Week", "As Required"});
  int r = 0;
  left->addWidget(make::caption("Skin Type", estimate.skinType()), r, 0);
  left->addWidget(estimate.skinType(), r++, 1, 1, 3);
  left->addWidget(make::caption("Condition", condition_), r, 0);
  left->addWidget(condition_, r++, 1, 1, 3);
  left->addWidget(make::caption("Treatment", treatmentType_), r, 0);
  left->addWidget(treatmentType_, r, 1, 1, 2);
  left->addWidget(schedule_, r++, 3);
  left->addWidget(estimate.tonesAndMed(), r++, 0, 1, 4);

  assessed_ = make::datePicker(names::DateAssess, "Assessment");
  assessed_->setBlank(true);  // shows nothing until a course with a date is loaded
  referral_ = make::lineEdit(names::DBReferal, "Referred by", 25);
  diagnosis_ = editableList(names::DBDiag, "Diagnosis", {"Psioriasis", "Vitiligo (Skin I)", "Eczema"});
  therapist_ = make::lineEdit(names::DBConsult, "Therapist", 25);
  familyHistory_ = make::lineEdit(names::DBHist, "Fam History", 30);
  left->addWidget(make::caption("Assessment", assessed_), r, 0);
  left->addWidget(assessed_, r, 1);
  left->addWidget(make::caption("Referred by", referral_), r, 2);
  left->addWidget(referral_, r++, 3);
  left->addWidget(make::caption("Diagnosis", diagnosis_), r, 0);
  left->addWidget(diagnosis_, r, 1);
  left->addWidget(make::caption("Therapist", therapist_), r, 2);
  left->addWidget(therapist_, r++, 3);
  left->addWidget(make::caption("Fam History", familyHistory_), r, 0);
  left->addWidget(familyHistory_, r++, 1, 1, 3);
  medication_ = make::memo(names::DBMemoMeds, "Meds");
  operations_ = make::memo(names::DBMemoOps, "PMH major ops / illness");
  left->addWidget(make::caption("Meds", medication_), r++, 0, 1, 4);
  left->addWidget(medication_, r++, 0, 1, 4);
  left->addWidget(make::caption("PMH major ops / illness", operations_), r++, 0, 1, 4);
  left->addWidget(operations_, r++, 0, 1, 4);
  left->setRowStretch(r - 3, 1);
  left->setRowStretch(r - 1, 1);

  // Middle column: hair, eyes, skin colour and the contraindications.
  auto* midBox = new QWidget;
  auto* mid = new QVBoxLayout(midBox);
  mid->setContentsMargins(0, 0, 0, 0);
  mid->setSpacing(2);
  hair_ = make::dropDown(names::ComboHair, "Hair", {"Red", "Blonde", "Lt Brown", "Dk Brown", "Black"});
  eyes_ = make::dropDown(names::ComboEye, "Eyes", {"Blue", "Green", "Hazel", "Brown"});
  skinColour_ = make::dropDown(names::ComboSkinCol, "Skin", {"Pale", "Beige", "Brown", "Black"});
  auto* looks = new QFormLayout;
  looks->addRow(make::caption("Hair", hair_), hair_);
  looks->addRow(make::caption("Eyes", eyes_), eyes_);
  looks->addRow(make::caption("Skin", skinColour_), skinColour_);
  mid->addLayout(looks);
  const char* boxNames[] = {names::CheckBox1, names::CheckBox2, names::CheckBox3,
                            names::CheckBox4, names::CheckBox5, names::CheckBox6};
  const QString boxTexts[] = {"Previous Skin Cancer",
                              "Multiple dysplastic naevi (moles)",
                              "HyperSensitivity to UV (eg albinism)",
                              "Pregnant",
                              "Photosensitising drugs",
                              "Claustrophobia"};
  for (std::size_t i = 0; i < contraindications_.size(); ++i) {
    contraindications_[i] = make::input(new QCheckBox(boxTexts[i]), boxNames[i], boxTexts[i]);
  }
  mid->addSpacing(8);
  mid->addWidget(heading("Contraindications", true));
  mid->addWidget(contraindications_[0]);
  mid->addWidget(contraindications_[1]);
  mid->addWidget(heading("Disease / Disorder causing", false));
  mid->addWidget(contraindications_[2]);
  mid->addSpacing(4);
  mid->addWidget(heading("Precautions", true));
  mid->addWidget(contraindications_[3]);
  mid->addWidget(contraindications_[4]);
  mid->addWidget(contraindications_[5]);
  mid->addSpacing(6);
  for (const char* line : {"IF ANY OF THE ABOVE", "PLEASE REFER TO POLICY"}) {
    auto* l = new QLabel(line);
    l->setFont(make::scaled(l->font(), 1.25, true));
    mid->addWidget(l);
  }
  mid->addStretch(1);

  // Right column: address, previous treatment, duration, result and the body outline.
  auto* rightBox = new QWidget;
  auto* right = new QGridLayout(rightBox);
  right->setContentsMargins(0, 0, 0, 0);
  right->setVerticalSpacing(3);
  address_ = make::memo(names::DBMemoAdd, "Address");
  address_->setMaximumHeight(60);
  previousTreatment_ = make::named(new QGroupBox("Previous Rx"), names::RadioPrevRx);
  previousAnswers_ = new QButtonGroup(previousTreatment_);
  auto* yes = make::input(new QRadioButton("Yes"), names::RadioPrevRxYes, "Previous Rx: Yes");
  auto* no = make::input(new QRadioButton("No"), names::RadioPrevRxNo, "Previous Rx: No");
  previousAnswers_->addButton(yes, 0);
  previousAnswers_->addButton(no, 1);
  auto* answers = new QHBoxLayout(previousTreatment_);
  answers->setContentsMargins(6, 0, 6, 0);
  answers->addWidget(yes);
  answers->addWidget(no);
  duration_ = make::lineEdit(names::DBEdLong, "How long?", 20);
  previousResult_ = make::lineEdit(names::DBRxResult, "Result", 20);
  right->addWidget(make::caption("Address", address_), 0, 0);
  right->addWidget(address_, 0, 1);
  right->addWidget(make::caption("HPS:"), 1, 0);
  right->addWidget(previousTreatment_, 1, 1);
  right->addWidget(make::caption("How long?", duration_), 2, 0);
  right->addWidget(duration_, 2, 1);
  right->addWidget(make::caption("Result", previousResult_), 3, 0);
  right->addWidget(previousResult_, 3, 1);
  right->addWidget(&diagram, 4, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
  right->setRowStretch(5, 1);

  grid->addWidget(leftBox, 0, 0);
  grid->addWidget(midBox, 0, 1);
  grid->addWidget(rightBox, 0, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(2, 2);
}

void AssessmentPanel::buildParticulars(EstimatePanel& estimate) {
  particulars_ = make::panel(names::PanPhone);
  language_ = make::dropDown(names::ComboLang, "Lang",
                             {"No Voice", "Arabic", "English", "French", "German", "Spanish", "Turkish", "Slovak"});
  language_->setCurrentIndex(2);
  homePhone_ = make::lineEdit(names::DBHome, "Home", 10);
  cellPhone_ = make::lineEdit(names::DBCell, "Cell", 10);
  workPhone_ = make::lineEdit(names::DBwork, "Work", 10);
  auto* grid = new QGridLayout(particulars_);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(2);
  grid->addWidget(make::caption("DoB", estimate.birthDate()), 0, 0);
  grid->addWidget(estimate.birthDate(), 0, 1);
  grid->addWidget(make::caption("Age", estimate.age()), 0, 2);
  grid->addWidget(estimate.age(), 0, 3);
  grid->addWidget(make::caption("Lang", language_), 1, 0);
  grid->addWidget(language_, 1, 1, 1, 3);
  grid->addWidget(make::caption("Home", homePhone_), 0, 4);
  grid->addWidget(homePhone_, 0, 5);
  grid->addWidget(make::caption("Cell", cellPhone_), 1, 4);
  grid->addWidget(cellPhone_, 1, 5);
  grid->addWidget(make::caption("Work", workPhone_), 2, 4);
  grid->addWidget(workPhone_, 2, 5);
  particulars_->setVisible(false);
}

void AssessmentPanel::bindText(QWidget* widget, course::PatientText field) {
  bound_.push_back({widget, [this, field] { return course_.patientText(field); },
                    [this, field](const QString& text) { course_.setPatientText(field, text); }});
}

void AssessmentPanel::bindText(QWidget* widget, course::CourseText field) {
  bound_.push_back({widget, [this, field] { return course_.courseText(field); },
                    [this, field](const QString& text) { course_.setCourseText(field, text); }});
}

void AssessmentPanel::connectHandlers() {
  using course::CourseText;
  using course::PatientText;
  bindText(homePhone_, PatientText::HomePhone);
  bindText(workPhone_, PatientText::WorkPhone);
  bindText(cellPhone_, PatientText::CellPhone);
  bindText(familyHistory_, PatientText::FamilyHistory);
  bindText(address_, PatientText::Address);
  bindText(duration_, CourseText::Duration);
  bindText(previousResult_, CourseText::PreviousResult);
  bindText(referral_, CourseText::Referral);
  bindText(therapist_, CourseText::Therapist);
  bindText(medication_, CourseText::Medication);
  bindText(operations_, CourseText::Operations);
  bindText(diagnosis_, CourseText::Diagnosis);
  bindText(treatmentType_, CourseText::TreatmentType);
  // Each is stored when it is left, what was typed as it stands.
  for (const BoundText& b : bound_) actions_.onLeave(b.widget, [b] { b.store(textIn(b.widget)); });

  const std::pair<QComboBox*, course::PatientChoice> patientLists[] = {{eyes_, course::PatientChoice::Eyes},
                                                                       {hair_, course::PatientChoice::Hair},
                                                                       {skinColour_, course::PatientChoice::SkinColour},
                                                                       {language_, course::PatientChoice::Language}};
  for (const auto& [list, field] : patientLists) {
    actions_.on(list, &QComboBox::currentIndexChanged,
                [this, list = list, field = field] { course_.setPatientChoice(field, list->currentIndex()); });
  }
  const std::pair<QComboBox*, course::CourseChoice> courseLists[] = {{condition_, course::CourseChoice::Condition},
                                                                     {schedule_, course::CourseChoice::Schedule}};
  for (const auto& [list, field] : courseLists) {
    actions_.on(list, &QComboBox::currentIndexChanged,
                [this, list = list, field = field] { course_.setCourseChoice(field, list->currentIndex()); });
  }
  actions_.on(assessed_, &QDateTimeEdit::dateTimeChanged,
              [this] { course_.setAssessmentDate(datetime::fromQDateTime(assessed_->dateTime())); });
  connect(previousAnswers_, &QButtonGroup::idToggled, this, [this](int answer, bool on) {
    if (on) actions_.run([this, answer] { course_.setPreviousTreatment(answer); });
  });
  for (QCheckBox* box : contraindications_) {
    // Every click stores all six.
    actions_.on(box, &QCheckBox::toggled, [this] {
      int mask = 0;
      for (std::size_t i = 0; i < contraindications_.size(); ++i)
        if (contraindications_[i]->isChecked()) mask |= 1 << i;
      course_.setContraindications(mask);
    });
  }
}

void AssessmentPanel::showPreviousTreatment(int answer) {
  const QSignalBlocker quiet(previousAnswers_);
  if (answer < 0 || answer > 1) {
    previousAnswers_->setExclusive(false);
    for (QAbstractButton* b : previousAnswers_->buttons()) b->setChecked(false);
    previousAnswers_->setExclusive(true);
  } else {
    previousAnswers_->button(answer)->setChecked(true);
  }
}

void AssessmentPanel::refresh(course::Parts parts) {
  using course::Mode;
  if (!(parts & (course::Part::Patient | course::Part::Course | course::Part::Mode))) return;
  const bool open = course_.mode() == Mode::Patient || course_.mode() == Mode::Loading;
  for (const BoundText& b : bound_) {
    // A box being typed in, or just left and not yet stored, keeps what was typed.
    if (b.widget->hasFocus() || actions_.leaving(b.widget)) continue;
    showText(b.widget, b.stored());
  }
  const auto showItem = [](QComboBox* list, int item) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(item);
  };
  showItem(eyes_, open ? course_.patientChoice(course::PatientChoice::Eyes) : -1);
  showItem(hair_, open ? course_.patientChoice(course::PatientChoice::Hair) : -1);
  showItem(skinColour_, open ? course_.patientChoice(course::PatientChoice::SkinColour) : -1);
  showItem(language_, open ? course_.patientChoice(course::PatientChoice::Language) : course_.factors().Default_Lang);
  showItem(condition_, open ? course_.courseChoice(course::CourseChoice::Condition) : -1);
  showItem(schedule_, open ? course_.courseChoice(course::CourseChoice::Schedule) : -1);
  showPreviousTreatment(open ? course_.previousTreatment() : -1);
  previousResult_->setEnabled(course_.previousResultEnabled());
  {
    const course::ShownDate assessed = course_.assessmentDate();
    const QSignalBlocker quiet(assessed_);
    assessed_->setDateTime(datetime::toQDateTime(assessed.value));
    assessed_->setBlank(assessed.blank);
  }
  const int mask = course_.contraindications();
  for (std::size_t i = 0; i < contraindications_.size(); ++i) {
    const QSignalBlocker quiet(contraindications_[i]);
    contraindications_[i]->setChecked(mask & (1 << i));
  }
}

}  // namespace ui
