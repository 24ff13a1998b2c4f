#include "ui/PatientLookupPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "base/Settings.h"
#include "resources/Resources.h"
#include "ui/Actions.h"
#include "ui/Dialogs.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

namespace {

void showText(QLineEdit* box, const QString& text) {
  if (box->text() == text) return;
  const QSignalBlocker quiet(box);
  box->setText(text);
}

void showTicked(QCheckBox* box, bool ticked) {
  const QSignalBlocker quiet(box);
  box->setChecked(ticked);
}

}  // namespace

PatientLookupPanel::PatientLookupPanel(course::OpenCourse& course, Actions& actions, QObject* parent)
    : QObject(parent), course_(course), actions_(actions) {
  build();
  connectHandlers();
  refresh(course::kAllParts);
}

void PatientLookupPanel::build() {
  namesBox_ = make::panel(names::Panel12);
  firstName_ = make::lineEdit(names::EdFirst, "First name", 15);
  secondName_ = make::lineEdit(names::EdSecond, "Second name", 15);
  surname_ = make::lineEdit(names::EdSurname, "Surname", 20);
  nhi_ = make::lineEdit(names::EdHosp, "NHI", 8);
  auto* names = new QGridLayout(namesBox_);
  names->setContentsMargins(2, 2, 2, 2);
  names->setVerticalSpacing(2);
  names->addWidget(make::caption("Name", firstName_), 0, 0);
  names->addWidget(firstName_, 0, 1);
  names->addWidget(secondName_, 0, 2);
  names->addWidget(make::caption("Surname", surname_), 1, 0);
  names->addWidget(surname_, 1, 1, 1, 2);
  names->addWidget(make::caption("NHI", nhi_), 2, 0);
  names->addWidget(nhi_, 2, 1);

  selectionBox_ = make::panel(names::Panel14);
  statusBoxes_ = make::named(new QGroupBox, names::GroupSelect);
  pending_ = make::input(new QCheckBox("Pending"), names::ChkPending, "Pending");
  current_ = make::input(new QCheckBox("Current"), names::ChkCurrent, "Current");
  complete_ = make::input(new QCheckBox("Complete"), names::ChkComplete, "Complete");
  auto* boxes = new QVBoxLayout(statusBoxes_);
  boxes->setContentsMargins(4, 2, 4, 2);
  boxes->setSpacing(0);
  boxes->addWidget(pending_);
  boxes->addWidget(current_);
  boxes->addWidget(complete_);
  selectButton_ = make::named(new QPushButton("Select"), names::BtnSelect);
  selectButton_->setIcon(QIcon(resources::buttonPicture("Select")));
  newCourse_ = make::input(new QCheckBox("New Course"), names::CkBxNewCourse, "New Course");
  auto* selection = new QGridLayout(selectionBox_);
  selection->setContentsMargins(2, 0, 2, 0);
  selection->addWidget(statusBoxes_, 0, 0, 2, 1);
  selection->addWidget(selectButton_, 0, 1);
  selection->addWidget(newCourse_, 1, 1);

  patientName_ = make::named(new QLabel("Patient ID"), names::Label5);
  patientName_->setTextFormat(Qt::PlainText);  // a name from a file or the database, never markup
  patientName_->setFont(make::scaled(patientName_->font(), 1.8, true));
  // Texts that come from data (a long name) never widen the window: the label takes the room the
  // strip gives it.
  patientName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  // The open patient's treatments and dose over all courses: skin-cancer risk grows with both.
  lifetime_ = make::named(new QLabel, names::LifetimeExposure);
  lifetime_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  lifetime_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lifetime_->setAccessibleName(QStringLiteral("Lifetime exposure"));
  listButton_ = make::named(new QPushButton("List"), names::BtnClear);
  listButton_->setIcon(QIcon(resources::buttonPicture("List")));
}

void PatientLookupPanel::connectHandlers() {
  using course::SearchField;
  const std::pair<QLineEdit*, SearchField> searchBoxes[] = {{nhi_, SearchField::Nhi},
                                                            {surname_, SearchField::Surname},
                                                            {firstName_, SearchField::FirstName},
                                                            {secondName_, SearchField::SecondName}};
  for (const auto& [box, field] : searchBoxes) {
    // In list mode the boxes search (the NHI and the surname) or keep a new patient's names.
    actions_.on(box, &QLineEdit::textChanged, [this, box = box, field = field] {
      if (box != nhi_) showNameLine();
      course_.setSearchText(field, box->text());
    });
  }
  // With a course open they edit the patient's names, stored as each is left.
  const std::pair<QLineEdit*, course::PatientText> nameBoxes[] = {{surname_, course::PatientText::Surname},
                                                                  {firstName_, course::PatientText::FirstName},
                                                                  {secondName_, course::PatientText::SecondName}};
  for (const auto& [box, field] : nameBoxes)
    actions_.onLeave(box, [this, box = box, field = field] { course_.setPatientText(field, box->text()); });
  for (QCheckBox* box : {pending_, current_, complete_}) {
    actions_.on(box, &QCheckBox::toggled, [this] {
      course_.setStatusFilter(current_->isChecked(), pending_->isChecked(), complete_->isChecked());
    });
  }
  actions_.on(newCourse_, &QCheckBox::toggled, [this] { course_.setNewCourse(newCourse_->isChecked()); });
  actions_.on(selectButton_, &QPushButton::clicked, [this] { select(); });
  // Enter in the NHI or the surname box of the list does what Select does, when Select may.
  for (QLineEdit* box : {nhi_, surname_}) {
    actions_.on(box, &QLineEdit::returnPressed, [this] {
      if (course_.mode() == course::Mode::List && selectButton_->isEnabled()) select();
    });
  }
  actions_.on(listButton_, &QPushButton::clicked, [this] { returnToList(); });
}

void PatientLookupPanel::showNameLine() {
  const QString line = firstName_->text() + " " + secondName_->text() + " " + surname_->text();
  // Until a name is typed or a patient opened, the strip keeps its caption "Patient ID".
  if (line.trimmed().isEmpty() && patientName_->text() == QLatin1String("Patient ID")) return;
  patientName_->setText(line);
}

void PatientLookupPanel::select() {
  const course::SelectOutcome outcome = course_.select();
  if (outcome == course::SelectOutcome::NeedsNhi)
    dialogs::warning(selectButton_, "NHI", "Type the NHI of the patient to open or create.");
  if (outcome == course::SelectOutcome::Opened) adviseOnLifetime();
}

// Once per opening of a patient whose recorded treatments reach the department's threshold.
void PatientLookupPanel::adviseOnLifetime() {
  const std::optional<treatment::Exposure> exposure = course_.lifetime();
  if (!exposure) return;
  const QString patient =
      (course_.patientText(course::PatientText::FirstName) + ' ' + course_.patientText(course::PatientText::Surname))
          .trimmed() +
      QStringLiteral(" (") + course_.data().patientNhi.asString() + ')';
  if (const auto advice = treatment::lifetimeReviewAdvice(*exposure, settings::readLifetimeReviewThreshold(), patient))
    dialogs::information(selectButton_, QStringLiteral("Lifetime exposure"), *advice);
}

void PatientLookupPanel::returnToList() {
  try {
    course_.returnToList();
  } catch (const course::StoreError& e) {
    // The store still refuses what waits to be stored: the user decides whether to leave it.
    const QString question = e.message() + QStringLiteral(
                                               "\n\nReturn to the list all the same? What was not stored "
                                               "is then lost. Choose No to stay with the course and try "
                                               "again in a moment.");
    if (!dialogs::askYesNo(listButton_, QStringLiteral("Not stored"), question)) return;
    course_.returnToList(course::PendingChanges::Drop);
  }
}

void PatientLookupPanel::refresh(course::Parts parts) {
  using course::Mode;
  if (parts & (course::Part::Patient | course::Part::Course | course::Part::Records | course::Part::Mode)) {
    const std::optional<treatment::Exposure> exposure = course_.lifetime();
    lifetime_->setText(exposure ? treatment::lifetimeText(*exposure) : QString());
    lifetime_->setVisible(exposure.has_value());
  }
  if (!(parts & (course::Part::Search | course::Part::Patient | course::Part::Mode))) return;
  const Mode mode = course_.mode();
  const bool open = mode == Mode::Patient || mode == Mode::Loading;
  if (open) {
    // The patient's names; a box being typed in, or just left, keeps what was typed.
    const std::pair<QLineEdit*, course::PatientText> nameBoxes[] = {{surname_, course::PatientText::Surname},
                                                                    {firstName_, course::PatientText::FirstName},
                                                                    {secondName_, course::PatientText::SecondName}};
    for (const auto& [box, field] : nameBoxes)
      if (!box->hasFocus() && !actions_.leaving(box)) showText(box, course_.patientText(field));
    showText(nhi_, course_.data().patientNhi.asString());
  } else {
    const course::SearchTexts& search = course_.searchTexts();
    showText(nhi_, search.nhi);
    showText(surname_, search.surname);
    showText(firstName_, search.firstName);
    showText(secondName_, search.secondName);
  }
  showNameLine();
  const course::SearchTexts& search = course_.searchTexts();
  showTicked(pending_, search.pending);
  showTicked(current_, search.current);
  showTicked(complete_, search.complete);
  const bool listing = mode == Mode::List;
  nhi_->setEnabled(listing);
  statusBoxes_->setEnabled(listing);
  const course::SelectButton& button = course_.selectButton();
  selectButton_->setText(button.caption);
  selectButton_->setEnabled(listing && button.enabled);
  showTicked(newCourse_, button.newCourse);
  newCourse_->setEnabled(listing && button.newCourseEnabled);
}

}  // namespace ui
