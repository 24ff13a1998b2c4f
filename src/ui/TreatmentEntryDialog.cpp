#include "treatment/ConditionForm.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <iterator>

#include "resources/Resources.h"
#include "shell/ClickPanel.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "base/Formats.h"
#include "treatment/EntryChecks.h"
#include "treatment/MaskEdit.h"

TCondition_Form* Condition_Form = nullptr;

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
constexpr PanelLayout kPanels[] = {
    {"PanelA", "Missed", Missed},  {"PanelB", "Worse", Worse},     {"PanelC", "Same", Same},
    {"PanelD", "Clearing", Clearing}, {"PanelE", "Burn I", BurnI}, {"PanelF", "Burn II", BurnII},
    {"PanelG", "Burn III", BurnIII},
};

bool isConditionCode(int code) { return code >= Missed && code <= Clearing; }

QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  buddy->setAccessibleName(text);
  return label;
}

}  // namespace

TCondition_Form::TCondition_Form(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("Condition_Form");
  setWindowTitle("Patient Condition");
  setModal(true);
  buildLayout();
  FormCreate();
}

void TCondition_Form::buildLayout() {
  MaskTime = new MaskEdit(
      kTimeMask,
      [](const QString& text) { return entry::classifyTreatmentTime(text) != entry::TimeEntry::Partial; }, this);
  MaskTime->setObjectName("MaskTime");
  EdTemp = new QLineEdit(this);
  EdTemp->setObjectName("EdTemp");
  EdDose = new QLineEdit(this);
  EdDose->setObjectName("EdDose");
  MaskInit = new MaskEdit(kInitialsMask, {}, this);
  MaskInit->setObjectName("MaskInit");
  // The record keeps one byte per character: digits 0-9 for the time, Latin-1 letters for the
  // initials.
  MaskTime->setCharacterFilter([](QChar c) { return c == QLatin1Char(':') || (c >= u'0' && c <= u'9'); });
  MaskInit->setCharacterFilter([](QChar c) { return c.isLetter() && c.unicode() <= 0xFF; });
  DateTimePicker1 = new QDateTimeEdit(this);
  DateTimePicker1->setObjectName("DateTimePicker1");
  // The locale's short date, but always with a four-digit year: a two-digit one would confine
  // the picker to a single century.
  QString dateFormat = QLocale().dateFormat(QLocale::ShortFormat);
  if (!dateFormat.contains(QLatin1String("yyyy"))) dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
  DateTimePicker1->setDisplayFormat(dateFormat);
  DateTimePicker1->setCalendarPopup(true);
  ChkStop = new QCheckBox("Stop Treatment", this);
  ChkStop->setObjectName("ChkStop");
  ChkStop->setAccessibleName("Stop Treatment");
  for (QLineEdit* field : {static_cast<QLineEdit*>(MaskTime), EdTemp, EdDose, static_cast<QLineEdit*>(MaskInit)})
    field->setMaximumWidth(70);

  auto* fields = new QGridLayout;
  fields->addWidget(labelFor("Treatment Time", MaskTime, this), 0, 0);
  fields->addWidget(MaskTime, 0, 1);
  fields->addWidget(new QLabel("min:sec", this), 0, 2);
  fields->addWidget(labelFor("Temperatrure", EdTemp, this), 1, 0);
  fields->addWidget(EdTemp, 1, 1);
  fields->addWidget(new QLabel("C", this), 1, 2);
  fields->addWidget(labelFor("Dose", EdDose, this), 2, 0);
  fields->addWidget(EdDose, 2, 1);
  fields->addWidget(new QLabel("mJ/cm2", this), 2, 2);
  fields->addWidget(labelFor("Therapist Initials", MaskInit, this), 3, 0);
  fields->addWidget(MaskInit, 3, 1);
  fields->addWidget(labelFor("Date", DateTimePicker1, this), 4, 0);
  fields->addWidget(DateTimePicker1, 4, 1, 1, 2);

  // The buttons, picture above caption. They take the focus from the keyboard only, so that a
  // click on one does not first pull the focus out of the field being typed in: the click
  // itself settles that field (see settleFieldInFocus).
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
    connect(b, &QToolButton::clicked, this, [this, b] { BitBtnClick(b); });
    return b;
  };
  BitBtn1 = makeButton("BitBtn1", "Update", Update, QStyle::SP_DialogApplyButton);
  BitBtn3 = makeButton("BitBtn3", "Undo", Undo, QStyle::SP_ArrowBack);
  BitBtn2 = makeButton("BitBtn2", "Clear", Clear, QStyle::SP_DialogResetButton);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn3);
  buttons->addWidget(BitBtn2);

  auto* right = new QVBoxLayout;
  right->addLayout(buttons);
  right->addStretch(1);
  right->addWidget(ChkStop, 0, Qt::AlignRight);

  auto* top = new QHBoxLayout;
  top->addLayout(fields);
  top->addStretch(1);
  top->addLayout(right);

  auto* panels = new QHBoxLayout;
  panels->setSpacing(2);
  ClickPanel** const panelFields[] = {&PanelA, &PanelB, &PanelC, &PanelD, &PanelE, &PanelF, &PanelG};
  for (std::size_t i = 0; i < std::size(kPanels); ++i) {
    const PanelLayout& layout = kPanels[i];
    auto* panel = new ClickPanel(layout.caption, responseColour(layout.code), layout.code, this);
    panel->setObjectName(layout.name);
    panel->setMinimumSize(64, 36);
    panel->setFocusPolicy(Qt::NoFocus);
    if (isConditionCode(layout.code))
      connect(panel, &ClickPanel::clicked, this, &TCondition_Form::PanelCClick);
    else
      connect(panel, &ClickPanel::clicked, this, &TCondition_Form::PanelBClick);
    panels->addWidget(panel);
    *panelFields[i] = panel;
  }

  auto* whole = new QVBoxLayout(this);
  whole->addLayout(top);
  whole->addLayout(panels);
  whole->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(MaskTime, EdTemp);
  setTabOrder(EdTemp, EdDose);
  setTabOrder(EdDose, MaskInit);
  setTabOrder(MaskInit, DateTimePicker1);
  setTabOrder(DateTimePicker1, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
  setTabOrder(BitBtn2, BitBtn3);
  setTabOrder(BitBtn3, ChkStop);

  for (QWidget* field : {static_cast<QWidget*>(MaskTime), static_cast<QWidget*>(EdTemp), static_cast<QWidget*>(EdDose)})
    field->installEventFilter(this);
}

void TCondition_Form::FormCreate() {
  Con_Panels = {nullptr, PanelA, PanelB, PanelC, PanelD, PanelE, PanelF, PanelG};
  // The picker starts at today; the time of day it holds stays whatever it was made with.
  DateTimePicker1->setDateTime(QDateTime::currentDateTime());
}

void TCondition_Form::FormShow() {
  // Over the main window's schedule: 160 pixels below its top and 270 right of its left edge.
  if (QWidget* main = parentWidget()) move(main->window()->pos() + QPoint(270, 160));
  MaskTime->setFocus(Qt::OtherFocusReason);
  MaskTime->setCursorPosition(0);
}

void TCondition_Form::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

ClickPanel* TCondition_Form::panelOf(int code) const {
  // A stored code outside 1..7 (a damaged record) has no panel.
  if (code < 1 || code > 7) return nullptr;
  return Con_Panels[static_cast<std::size_t>(code)];
}

void TCondition_Form::setPanelBold(int code, bool bold) {
  if (ClickPanel* panel = panelOf(code)) panel->setBold(bold);
}

void TCondition_Form::Load(const TCondition& record, double expected) {
  CheckDose = static_cast<float>(expected);
  for (int code = 1; code <= 7; ++code) setPanelBold(code, false);
  FCondition = record.Condition;

  QString time, dose, temperature, initials;
  if (record.recorded()) {
    FBurn = record.Burn;
    time = entry::treatmentTimeForField(QString::fromLatin1(record.Txtime.data(), static_cast<qsizetype>(record.Txtime.size())));
    initials = QString::fromLatin1(record.Initials.data(), static_cast<qsizetype>(record.Initials.size()));
    FDose = record.Dose;
    if (record.Dose != 0) dose = fmt::Fixed(record.Dose, 5, 0);
    FTemperature = record.Temperature;
    if (record.Temperature != 0) temperature = fmt::Fixed(record.Temperature, 3, 1);
    const QDateTime when = datetime::toQDateTime(record.When);
    if (when.isValid()) DateTimePicker1->setDate(when.date());  // the picker keeps its time of day
    setPanelBold(record.Condition, true);
    if (record.Burn != 0) setPanelBold(record.Burn, true);
  } else {
    // A treatment not yet recorded starts empty; the date stays the one shown last.
    FBurn = 0;
    FDose = 0;
    FTemperature = 0;
  }
  MaskTime->setMaskedText(time);
  MaskInit->setMaskedText(initials);
  EdDose->setText(dose);
  EdTemp->setText(temperature);
  doseShown_ = doseChecked_ = dose;
  temperatureShown_ = temperatureChecked_ = temperature;
}

void TCondition_Form::PanelCClick(ClickPanel* panel) {
  setPanelBold(FCondition, false);
  FCondition = static_cast<std::int8_t>(panel->tag());
  setPanelBold(FCondition, true);
}

void TCondition_Form::PanelBClick(ClickPanel* panel) {
  setPanelBold(FBurn, false);
  FBurn = panel->tag() == FBurn ? std::int8_t{0} : static_cast<std::int8_t>(panel->tag());
  if (FBurn != 0) setPanelBold(FBurn, true);
}

void TCondition_Form::BitBtnClick(QToolButton* button) {
  const int tag = button->property("tag").toInt();
  if (tag == Update) {
    if (FCondition == 0) return;  // stays open until a condition panel is chosen
    if (!settleFields()) return;
  }
  done(tag);
}

bool TCondition_Form::settleFields() {
  if (focusWidget() == MaskTime && !MaskTime->acceptNow()) return false;
  // A field left a moment ago, or still being typed in, is checked now. A field whose text was
  // already checked is not checked again: its message has been seen.
  bool told = false;
  if (doseExitPending_ || EdDose->text() != doseChecked_) {
    doseExitPending_ = false;
    told = checkDose() || told;
  }
  if (temperatureExitPending_ || EdTemp->text() != temperatureChecked_) {
    temperatureExitPending_ = false;
    told = checkTemperature() || told;
  }
  return !told;
}

void TCondition_Form::EdDoseExit() { checkDose(); }
void TCondition_Form::EdTempExit() { checkTemperature(); }

bool TCondition_Form::checkDose() {
  const QString text = EdDose->text();
  doseChecked_ = text;
  const entry::NumberEntry typed = entry::readNumber(text);
  switch (typed.reading) {
    case entry::Reading::Empty:
      // An emptied field means no dose, as an empty field shows a dose of none.
      FDose = 0;
      return false;
    case entry::Reading::NotNumber:
      dialogs::warning(this, kCheckCaption,
                       QStringLiteral("The Dose \"%1\" is not a number, so %2.\n"
                                      "Type the dose in mJ/cm2, or empty the field for no dose.")
                           .arg(text.trimmed(), FDose == 0 ? QStringLiteral("no dose is kept")
                                                           : QStringLiteral("the dose stays %1 mJ/cm2")
                                                                 .arg(fmt::Fixed(FDose, 0, 0))));
      return true;
    case entry::Reading::Number:
      // A field still showing what Load put there keeps the record's dose, which the shown
      // whole number may have rounded.
      if (text != doseShown_) FDose = static_cast<float>(typed.value);
      break;
  }
  if (!entry::doseDiffersFromExpected(FDose, CheckDose)) return false;
  dialogs::warning(this, kCheckCaption, QStringLiteral("Dose differs >5% from expected"));
  return true;
}

bool TCondition_Form::checkTemperature() {
  const QString text = EdTemp->text();
  temperatureChecked_ = text;
  const entry::NumberEntry typed = entry::readNumber(text);
  switch (typed.reading) {
    case entry::Reading::Empty:
      FTemperature = 0;  // no temperature, as an empty field shows
      return false;
    case entry::Reading::NotNumber:
      dialogs::warning(this, kCheckCaption,
                       QStringLiteral("The Temperature \"%1\" is not a number, so %2.\n"
                                      "Type the temperature in degrees C, or empty the field for none.")
                           .arg(text.trimmed(), FTemperature == 0
                                                    ? QStringLiteral("no temperature is kept")
                                                    : QStringLiteral("the temperature stays %1 C")
                                                          .arg(fmt::Fixed(FTemperature, 0, 1))));
      return true;
    case entry::Reading::Number: {
      const bool typedAnew = text != temperatureShown_;
      if (typedAnew) FTemperature = static_cast<float>(typed.value);
      if (!entry::temperatureImplausible(typedAnew ? typed.value : FTemperature)) return false;
      break;
    }
  }
  dialogs::warning(this, kCheckCaption, QStringLiteral("Check Temperature"));
  return true;
}

bool TCondition_Form::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MaskTime && event->type() == QEvent::KeyPress) {
    // "5:30" typed from the start puts the 5 in the first minute position; a colon typed there
    // moves the minutes to the right, where a single digit belongs.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == QLatin1String(":") && MaskTime->cursorPosition() <= 2) {
      MaskTime->setText(entry::treatmentTimeForField(MaskTime->maskedText()));
      MaskTime->setModified(true);
      MaskTime->setCursorPosition(3);
      return true;
    }
  }
  if (event->type() == QEvent::FocusOut && (watched == EdDose || watched == EdTemp) &&
      focusLeavesField(static_cast<QFocusEvent*>(event)) && !MaskTime->refusing()) {
    // Checked on leaving the field, once the focus change has finished: a message box opened in
    // the middle of it would disturb it. "Update" runs a check still waiting itself.
    bool& pending = watched == EdDose ? doseExitPending_ : temperatureExitPending_;
    pending = true;
    QPointer<TCondition_Form> self(this);
    const bool dose = watched == EdDose;
    QMetaObject::invokeMethod(
        this,
        [self, dose] {
          if (!self) return;
          bool& stillPending = dose ? self->doseExitPending_ : self->temperatureExitPending_;
          if (!stillPending) return;
          stillPending = false;
          if (!self->isVisible()) return;
          if (dose) self->EdDoseExit(); else self->EdTempExit();
        },
        Qt::QueuedConnection);
  }
  return QDialog::eventFilter(watched, event);
}

void TCondition_Form::keyPressEvent(QKeyEvent* event) {
  // Only the three buttons close the dialog: Escape (which the time field uses to abandon a
  // change) must not throw away what has been typed.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
