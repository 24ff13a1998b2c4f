#include "ui/EstimatePanel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "dosing/SkinTypes.h"
#include "ui/Actions.h"
#include "ui/Dialogs.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"
#include "ui/widgets/ClickPanel.h"
#include "ui/widgets/DatePicker.h"

namespace ui {

EstimatePanel::EstimatePanel(course::OpenCourse& course, Actions& actions, QObject* parent)
    : QObject(parent), course_(course), actions_(actions) {
  build();
  connectHandlers();
  refresh(course::kAllParts);
}

void EstimatePanel::build() {
  QStringList items;
  for (const QString& item : dosing::SkinTypeItems) items << item;
  skinType_ = make::dropDown(names::ComSkinType, "Skin Type", items);
  birthDate_ = make::datePicker(names::DateBirth, "DoB");
  birthDate_->setBlank(true);  // shows nothing until a birth date is entered
  age_ = make::lineEdit(names::EdAge, "Age");
  age_->setMaximumWidth(60);
  // Wide enough for an age such as "100.0" whole: the header row is crowded and would squeeze it.
  age_->setMinimumWidth(age_->fontMetrics().horizontalAdvance(QStringLiteral("100.0")) + 14);

  struct Tone {
    const char* panel;
    const char* label;
    const char* caption;
    QColor colour;
  };
  const Tone tones[] = {{names::Panel4, names::Label6, "Sensitive", QColor(238, 235, 227)},
                        {names::Panel5, names::Label7, "Average", QColor(206, 162, 102)},
                        {names::Panel6, names::Label8, "In-Sensitive", QColor(60, 0, 30)}};
  tonesAndMed_ = new QWidget;
  auto* grid = new QGridLayout(tonesAndMed_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(1);
  for (int tag = 0; tag < 3; ++tag) {
    tones_[tag] = make::named(new ClickPanel(tones[tag].caption, tones[tag].colour, tag), tones[tag].panel);
    tones_[tag]->setEnabled(false);
    tones_[tag]->setMinimumSize(78, 30);
    estimates_[tag] = make::named(new QLabel("**"), tones[tag].label);
    estimates_[tag]->setAlignment(Qt::AlignCenter);
    estimates_[tag]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // the panel above sets the width
    grid->addWidget(tones_[tag], 0, tag);
    grid->addWidget(estimates_[tag], 1, tag);
  }
  tones_[2]->setTextColour(QColor(255, 251, 240));

  med_ = make::lineEdit(names::DBEdMED, "MED");
  med_->setMaximumWidth(70);
  med_->setFont(make::scaled(med_->font(), 1.3, true));
  auto* medBox = new QVBoxLayout;
  auto* medCaption = make::caption("MED", med_);
  medCaption->setFont(make::scaled(medCaption->font(), 1.0, true));
  medBox->addWidget(medCaption);
  medBox->addWidget(med_);
  grid->addLayout(medBox, 0, 3, 2, 1);
}

void EstimatePanel::connectHandlers() {
  actions_.on(skinType_, &QComboBox::currentIndexChanged, [this] { course_.setSkinType(skinType_->currentIndex()); });
  actions_.on(birthDate_, &QDateTimeEdit::dateTimeChanged,
              [this] { course_.setBirthDate(datetime::fromQDateTime(birthDate_->dateTime())); });
  actions_.onEnter(birthDate_, [this] { course_.showBirthDate(); });
  // Once the birth date is left: an age shown that it contradicts by a year or more is offered to
  // be taken from it (asked once for each birth date).
  actions_.onLeave(birthDate_, [this] { offerAgeFromBirthDate(); });
  actions_.onLeave(age_, [this] { course_.setAge(age_->text()); });
  actions_.onLeave(med_, [this] { course_.setMed(med_->text()); });
  for (ClickPanel* tone : tones_) {
    actions_.on(tone, &ClickPanel::clicked, [this, tone] {
      // A click on a panel does not take the focus from the age box: a typed age is applied first.
      std::optional<QString> typedAge;
      if (age_->hasFocus()) typedAge = age_->text();
      course_.chooseTone(tone->tag(), typedAge);
    });
  }
}

void EstimatePanel::offerAgeFromBirthDate() {
  const std::optional<double> age = course_.birthDateAge();
  const course::ShownDate birth = course_.birthDate();
  if (!age || (askedFor_ && *askedFor_ == birth.value)) return;
  askedFor_ = birth.value;
  const QString question = QStringLiteral(
                               "The date of birth gives an age of %1 years, but the Age shows %2.\n\n"
                               "Take the age from the date of birth? The MED estimate follows the age.")
                               .arg(fmt::Fixed(*age, 0, 1), course_.dosing().ageText().trimmed());
  if (dialogs::askYesNo(birthDate_, QStringLiteral("Age"), question)) course_.takeAgeFromBirthDate();
}

void EstimatePanel::refresh(course::Parts parts) {
  if (!(parts & (course::Part::Plan | course::Part::Patient | course::Part::Mode))) return;
  const dosing::DosingSession& d = course_.dosing();
  {
    const QSignalBlocker quiet(skinType_);
    skinType_->setCurrentIndex(d.skinTypeItem());
  }
  // The age and the MED show what the course took (a tone click writes its estimate even into a
  // box being typed in); a box just left keeps what was typed until its leave is handled.
  if (!actions_.leaving(age_) && age_->text() != d.ageText()) age_->setText(d.ageText());
  if (!actions_.leaving(med_) && med_->text() != course_.medText()) med_->setText(course_.medText());
  for (int tag = 0; tag < 3; ++tag) {
    const auto k = static_cast<std::size_t>(tag);
    estimates_[tag]->setText(d.toneLabels()[k]);
    const bool offered = d.tonePanelsEnabled() && d.toneOffered()[k];
    tones_[tag]->setEnabled(offered);
    // A panel beside a skin type with estimates that still cannot be chosen says why.
    tones_[tag]->setToolTip(d.tonePanelsEnabled() && !offered
                                ? QStringLiteral("No estimate within the MED limits at this age: type the MED instead.")
                                : QString());
  }
  // The picker is written only when it shows another day than the course holds (a refused date
  // goes back): rewriting it while a date is typed would lose the part being typed.
  const course::ShownDate birth = course_.birthDate();
  const QDateTime held = datetime::toQDateTime(birth.value);
  {
    const QSignalBlocker quiet(birthDate_);
    if (birthDate_->date() != held.date()) birthDate_->setDateTime(held);
    birthDate_->setBlank(birth.blank);
  }
}

}  // namespace ui
