#include "ui/TreatmentEntryDialog.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "resources/Resources.h"
#include "treatment/ClinicalLimits.h"
#include "treatment/EntryChecks.h"
#include "ui/Dialogs.h"
#include "ui/ObjectNames.h"
#include "ui/widgets/ClickPanel.h"
#include "ui/widgets/MaskEdit.h"

namespace ui {

namespace {

const QString kCheckCaption = QStringLiteral("Check Data Entry");

// The masks: minutes as two digits of which the first may be left out, a fixed colon, seconds
// as two needed digits; the initials as up to three letters. Unfilled positions are spaces.
const QString kTimeMask = QStringLiteral("09:99");
const QString kInitialsMask = QStringLiteral("aaa");

struct PanelLayout {
  const char* name;
  const char* caption;
  int code;
};
// clang-format off
constexpr PanelLayout kPanels[] = {
    {names::PanelA, "Missed", Missed},     {names::PanelB, "Worse", Worse},   {names::PanelC, "Same", Same},
    {names::PanelD, "Clearing", Clearing}, {names::PanelE, "Burn I", BurnI}, {names::PanelF, "Burn II", BurnII},
    {names::PanelG, "Burn III", BurnIII},
};
// clang-format on

bool isConditionCode(int code) { return code >= Missed && code <= Clearing; }

QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  buddy->setAccessibleName(text);
  return label;
}

}  // namespace

TreatmentEntryDialog::TreatmentEntryDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(names::Condition_Form);
  setWindowTitle("Patient Condition");
  setModal(true);
  buildLayout();
  setInitialDate();
}

void TreatmentEntryDialog::buildLayout() {
  timeField = new MaskEdit(kTimeMask, &entry::treatmentTimeAcceptable, this);
  timeField->setRefusalText([](const QString& text) {
    return entry::treatmentTimeProblem(text) + QStringLiteral("\n\nPress Escape to abandon the change.");
  });
  timeField->setObjectName(names::MaskTime);
  temperatureField = new QLineEdit(this);
  temperatureField->setObjectName(names::EdTemp);
  doseField = new QLineEdit(this);
  doseField->setObjectName(names::EdDose);
  initialsField = new MaskEdit(kInitialsMask, {}, this);
  initialsField->setObjectName(names::MaskInit);
  // The record keeps one byte per character: digits 0-9 for the time, Latin-1 letters for the
  // initials.
  timeField->setCharacterFilter([](QChar c) { return c == QLatin1Char(':') || (c >= u'0' && c <= u'9'); });
  initialsField->setCharacterFilter([](QChar c) { return c.isLetter() && c.unicode() <= 0xFF; });
  dateField = new QDateTimeEdit(this);
  dateField->setObjectName(names::DateTimePicker1);
  dateField->setDisplayFormat(datetime::shortDateFormat());
  dateField->setCalendarPopup(true);
  stopTreatment = new QCheckBox("Stop Treatment", this);
  stopTreatment->setObjectName(names::ChkStop);
  stopTreatment->setAccessibleName("Stop Treatment");
  for (QLineEdit* field :
       {static_cast<QLineEdit*>(timeField), temperatureField, doseField, static_cast<QLineEdit*>(initialsField)})
    field->setMaximumWidth(70);

  auto* fields = new QGridLayout;
  fields->addWidget(labelFor("Treatment Time", timeField, this), 0, 0);
  fields->addWidget(timeField, 0, 1);
  fields->addWidget(new QLabel("min:sec", this), 0, 2);
  fields->addWidget(labelFor("Temperatrure", temperatureField, this), 1, 0);
  fields->addWidget(temperatureField, 1, 1);
  fields->addWidget(new QLabel("C", this), 1, 2);
  fields->addWidget(labelFor("Dose", doseField, this), 2, 0);
  fields->addWidget(doseField, 2, 1);
  fields->addWidget(new QLabel("mJ/cm2", this), 2, 2);
  fields->addWidget(labelFor("Therapist Initials", initialsField, this), 3, 0);
  fields->addWidget(initialsField, 3, 1);
  fields->addWidget(labelFor("Date", dateField, this), 4, 0);
  fields->addWidget(dateField, 4, 1, 1, 2);

  // The buttons, picture above caption. They take the focus from the keyboard only, so that a
  // click on one does not first pull the focus out of the field being typed in: the click
  // itself settles that field (see settleFields).
  auto makeButton = [this](const char* name, const char* caption, int tag, QStyle::StandardPixmap fallback) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(caption);
    b->setAccessibleName(caption);
    b->setProperty("tag", tag);
    QPixmap picture = resources::buttonPicture(caption);
    b->setIcon(picture.isNull() ? style()->standardIcon(fallback) : QIcon(picture));
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFocusPolicy(Qt::TabFocus);
    b->setMinimumWidth(64);
    connect(b, &QToolButton::clicked, this, [this, b] { buttonClicked(b); });
    return b;
  };
  updateButton = makeButton(names::BitBtn1, "Update", Update, QStyle::SP_DialogApplyButton);
  undoButton = makeButton(names::BitBtn3, "Undo", Undo, QStyle::SP_ArrowBack);
  clearButton = makeButton(names::BitBtn2, "Clear", Clear, QStyle::SP_DialogResetButton);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(updateButton);
  buttons->addWidget(undoButton);
  buttons->addWidget(clearButton);

  auto* right = new QVBoxLayout;
  right->addLayout(buttons);
  right->addStretch(1);
  right->addWidget(stopTreatment, 0, Qt::AlignRight);

  auto* top = new QHBoxLayout;
  top->addLayout(fields);
  top->addStretch(1);
  top->addLayout(right);

  auto* panels = new QHBoxLayout;
  panels->setSpacing(2);
  for (const PanelLayout& layout : kPanels) {
    auto* panel = new ClickPanel(layout.caption, responseColour(layout.code), layout.code, this);
    panel->setObjectName(layout.name);
    panel->setMinimumSize(64, 44);
    // In the Tab order and chosen by Space, or by Alt and its number from anywhere in the dialog.
    const QKeySequence key(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + layout.code));
    panel->setKeyboardChoice(key.toString(QKeySequence::NativeText));
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, panel, [panel] {
      panel->setFocus(Qt::ShortcutFocusReason);
      emit panel->clicked(panel);
    });
    if (isConditionCode(layout.code))
      connect(panel, &ClickPanel::clicked, this, &TreatmentEntryDialog::chooseCondition);
    else
      connect(panel, &ClickPanel::clicked, this, &TreatmentEntryDialog::chooseBurn);
    panels->addWidget(panel);
    panels_[static_cast<std::size_t>(layout.code)] = panel;
  }

  auto* whole = new QVBoxLayout(this);
  whole->addLayout(top);
  whole->addLayout(panels);
  whole->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(timeField, temperatureField);
  setTabOrder(temperatureField, doseField);
  setTabOrder(doseField, initialsField);
  setTabOrder(initialsField, dateField);
  QWidget* previous = dateField;
  for (const PanelLayout& layout : kPanels) {
    setTabOrder(previous, panels_[static_cast<std::size_t>(layout.code)]);
    previous = panels_[static_cast<std::size_t>(layout.code)];
  }
  setTabOrder(previous, updateButton);
  setTabOrder(updateButton, clearButton);
  setTabOrder(clearButton, undoButton);
  setTabOrder(undoButton, stopTreatment);

  for (QWidget* field :
       {static_cast<QWidget*>(timeField), static_cast<QWidget*>(temperatureField), static_cast<QWidget*>(doseField)})
    field->installEventFilter(this);
}

void TreatmentEntryDialog::setInitialDate() {
  // The picker starts at today; the time of day it holds stays whatever it was made with.
  dateField->setDateTime(QDateTime::currentDateTime());
}

void TreatmentEntryDialog::placeAndFocus() {
  // Over the main window's schedule: 160 pixels below its top and 270 right of its left edge.
  if (QWidget* main = parentWidget()) move(main->window()->pos() + QPoint(270, 160));
  // A tool window is not always made the active window when it appears, and the keys typed would
  // still go to the main window: the therapist types into it at once, the keyboard alone included.
  raise();
  activateWindow();
  timeField->setFocus(Qt::OtherFocusReason);
  timeField->setCursorPosition(0);
}

void TreatmentEntryDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  placeAndFocus();
}

ClickPanel* TreatmentEntryDialog::panelOf(int code) const {
  // A stored code outside 1..7 (a damaged record) has no panel.
  if (code < 1 || code > 7) return nullptr;
  return panels_[static_cast<std::size_t>(code)];
}

void TreatmentEntryDialog::setPanelBold(int code, bool bold) {
  if (ClickPanel* panel = panelOf(code)) panel->setBold(bold);
}

void TreatmentEntryDialog::load(const TreatmentRecord& record, double expected) {
  expectedDose = static_cast<float>(expected);
  for (int code = 1; code <= 7; ++code) setPanelBold(code, false);
  chosenCondition = record.response;

  QString timeText, doseText, temperatureText, initialsText;
  if (record.recorded()) {
    chosenBurn = record.burn;
    timeText = entry::treatmentTimeForField(
        QString::fromLatin1(record.time.data(), static_cast<qsizetype>(record.time.size())));
    initialsText = QString::fromLatin1(record.Initials.data(), static_cast<qsizetype>(record.Initials.size()));
    enteredDose = record.Dose;
    if (record.Dose != 0) doseText = fmt::Fixed(record.Dose, 5, 0);
    enteredTemperature = record.Temperature;
    if (record.Temperature != 0) temperatureText = fmt::Fixed(record.Temperature, 3, 1);
    const QDateTime when = datetime::toQDateTime(record.When);
    if (when.isValid()) dateField->setDate(when.date());  // the picker keeps its time of day
    setPanelBold(record.response, true);
    if (record.burn != 0) setPanelBold(record.burn, true);
  } else {
    // A treatment not yet recorded starts empty; the date stays the one shown last.
    chosenBurn = 0;
    enteredDose = 0;
    enteredTemperature = 0;
  }
  timeField->setMaskedText(timeText);
  initialsField->setMaskedText(initialsText);
  doseField->setText(doseText);
  temperatureField->setText(temperatureText);
  doseShown_ = doseChecked_ = doseText;
  temperatureShown_ = temperatureChecked_ = temperatureText;
  loaded_ = snapshot();
}

QString TreatmentEntryDialog::snapshot() const {
  return QStringList{timeField->maskedText(),
                     temperatureField->text(),
                     doseField->text(),
                     initialsField->maskedText(),
                     dateField->date().toString(Qt::ISODate),
                     QString::number(chosenCondition),
                     QString::number(chosenBurn)}
      .join(QChar(0));
}

bool TreatmentEntryDialog::changedSinceLoad() const { return snapshot() != loaded_; }

bool TreatmentEntryDialog::leaveUnrecorded() {
  if (!changedSinceLoad()) return true;
  return dialogs::askYesNo(this, windowTitle(),
                           QStringLiteral("Close without recording this treatment?\n\nWhat you entered is not "
                                          "stored. Choose No to go on, then press Update to record it."));
}

void TreatmentEntryDialog::reject() {
  if (leaveUnrecorded()) done(Undo);
}

treatment::TreatmentEntry TreatmentEntryDialog::entry() const {
  treatment::TreatmentEntry e;
  e.condition = chosenCondition;
  e.burn = chosenBurn;
  e.temperature = enteredTemperature;
  e.dose = enteredDose;
  e.when = datetime::fromQDateTime(dateField->dateTime());
  e.initials = initialsField->maskedText();
  e.time = timeField->maskedText();
  return e;
}

bool TreatmentEntryDialog::stopTreatmentTicked() const { return stopTreatment->isChecked(); }

void TreatmentEntryDialog::setStopTreatment(bool ticked) { stopTreatment->setChecked(ticked); }

void TreatmentEntryDialog::chooseCondition(ClickPanel* panel) {
  setPanelBold(chosenCondition, false);
  chosenCondition = static_cast<std::int8_t>(panel->tag());
  setPanelBold(chosenCondition, true);
}

void TreatmentEntryDialog::chooseBurn(ClickPanel* panel) {
  setPanelBold(chosenBurn, false);
  chosenBurn = panel->tag() == chosenBurn ? std::int8_t{0} : static_cast<std::int8_t>(panel->tag());
  if (chosenBurn != 0) setPanelBold(chosenBurn, true);
}

void TreatmentEntryDialog::buttonClicked(QToolButton* button) {
  const int tag = button->property("tag").toInt();
  if (tag == Update) {
    // The dialog stays open until the treatment can be recorded, and says what is missing.
    if (chosenCondition == 0) {
      dialogs::warning(this, windowTitle(), entry::kChooseResponse);
      return;
    }
    if (!settleFields()) return;
    if (const std::optional<QString> refused = entry::refusalOf(entry())) {
      dialogs::warning(this, limits::kRefusalCaption, *refused);
      return;
    }
  }
  done(tag);
}

bool TreatmentEntryDialog::settleFields() {
  if (focusWidget() == timeField && !timeField->acceptNow()) return false;
  // A field left a moment ago, or still being typed in, is checked now. A field whose text was
  // already checked is not checked again: its advice has been seen. A text that cannot be
  // recorded is said again each time, until it is corrected.
  const auto refused = [](const limits::Limit& limit, const QLineEdit* field) {
    const limits::Reading r = limits::read(limit, field->text());
    return !r.empty && !r.accepted();
  };
  bool told = false;
  if (doseExitPending_ || doseField->text() != doseChecked_ || refused(limits::kDose, doseField)) {
    doseExitPending_ = false;
    told = checkDose() || told;
  }
  if (temperatureExitPending_ || temperatureField->text() != temperatureChecked_ ||
      refused(limits::kTemperature, temperatureField)) {
    temperatureExitPending_ = false;
    told = checkTemperature() || told;
  }
  return !told;
}

void TreatmentEntryDialog::doseLeft() { checkDose(); }
void TreatmentEntryDialog::temperatureLeft() { checkTemperature(); }

namespace {

// A value outside the clinical limits: the treatment cannot be recorded with it.
QString notRecordable(const limits::Limit& limit, const QString& text, limits::Problem problem) {
  return limits::problemText(limit, text, problem) +
         QStringLiteral("\n\nThe treatment is not recorded until the %1 is corrected or emptied.")
             .arg(QLatin1String(limit.field));
}

}  // namespace

bool TreatmentEntryDialog::checkDose() {
  const QString text = doseField->text();
  doseChecked_ = text;
  const limits::Reading typed = limits::read(limits::kDose, text);
  if (typed.empty) {
    // An emptied field means no dose, as an empty field shows a dose of none.
    enteredDose = 0;
    return false;
  }
  if (!typed.accepted()) {
    dialogs::warning(this, limits::kRefusalCaption, notRecordable(limits::kDose, text, typed.problem));
    return true;
  }
  // A field still showing what Load put there keeps the record's dose, which the shown whole
  // number may have rounded.
  if (text != doseShown_) enteredDose = static_cast<float>(typed.value);
  if (!entry::doseDiffersFromExpected(enteredDose, expectedDose)) return false;
  dialogs::warning(this, kCheckCaption, QStringLiteral("Dose differs >5% from expected"));
  return true;
}

bool TreatmentEntryDialog::checkTemperature() {
  const QString text = temperatureField->text();
  temperatureChecked_ = text;
  const limits::Reading typed = limits::read(limits::kTemperature, text);
  if (typed.empty) {
    enteredTemperature = 0;  // no temperature, as an empty field shows
    return false;
  }
  if (!typed.accepted()) {
    dialogs::warning(this, limits::kRefusalCaption, notRecordable(limits::kTemperature, text, typed.problem));
    return true;
  }
  const bool typedAnew = text != temperatureShown_;
  if (typedAnew) enteredTemperature = static_cast<float>(typed.value);
  if (!entry::temperatureImplausible(typedAnew ? typed.value : enteredTemperature)) return false;
  dialogs::warning(this, kCheckCaption, QStringLiteral("Check Temperature"));
  return true;
}

bool TreatmentEntryDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == timeField && event->type() == QEvent::KeyPress) {
    // "5:30" typed from the start puts the 5 in the first minute position; a colon typed there
    // moves the minutes to the right, where a single digit belongs.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == QLatin1String(":") && timeField->cursorPosition() <= 2) {
      timeField->setText(entry::treatmentTimeForField(timeField->maskedText()));
      timeField->setModified(true);
      timeField->setCursorPosition(3);
      return true;
    }
  }
  if (event->type() == QEvent::FocusOut && (watched == doseField || watched == temperatureField) &&
      focusLeavesField(static_cast<QFocusEvent*>(event)) && !timeField->refusing()) {
    // Checked on leaving the field, once the focus change has finished: a message box opened in
    // the middle of it would disturb it. "Update" runs a check still waiting itself.
    bool& pending = watched == doseField ? doseExitPending_ : temperatureExitPending_;
    pending = true;
    QPointer<TreatmentEntryDialog> self(this);
    const bool isDose = watched == doseField;
    QMetaObject::invokeMethod(
        this,
        [self, isDose] {
          if (!self) return;
          bool& stillPending = isDose ? self->doseExitPending_ : self->temperatureExitPending_;
          if (!stillPending) return;
          stillPending = false;
          if (!self->isVisible()) return;
          if (isDose)
            self->doseLeft();
          else
            self->temperatureLeft();
        },
        Qt::QueuedConnection);
  }
  return QDialog::eventFilter(watched, event);
}

void TreatmentEntryDialog::keyPressEvent(QKeyEvent* event) {
  // Escape (which the time field uses to abandon a change) never throws away what has been
  // typed: with nothing entered it does nothing, otherwise it asks, as closing the window does.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    if (changedSinceLoad() && leaveUnrecorded()) done(Undo);
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace ui
