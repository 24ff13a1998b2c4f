// The treatment entry dialog "Patient Condition", driven as the therapist drives it, on the
// offscreen platform. Message boxes are answered by a hook that records them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <vector>

#include "base/DateTime.h"
#include "support/LocaleScope.h"
#include "support/WindowFixture.h"
#include "treatment/EntryChecks.h"
#include "ui/Dialogs.h"
#include "ui/TreatmentEntryDialog.h"
#include "ui/widgets/ClickPanel.h"
#include "ui/widgets/MaskEdit.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

// The box of a time field left half filled: it names the field and the form a time takes.
QString invalidTime(const char* shown) {
  return entry::treatmentTimeProblem(QString::fromLatin1(shown)) +
         QStringLiteral("\n\nPress Escape to abandon the change.");
}

TreatmentRecord recordedTreatment() {
  TreatmentRecord r;
  r.response = Same;
  r.burn = BurnI;
  r.Dose = 300;
  r.Temperature = 36.5f;
  r.time = " 5:30";
  r.Initials = "ABC";
  r.When = datetime::fromQDateTime(QDateTime(QDate(2023, 3, 7), QTime(10, 0)));
  return r;
}

class ConditionFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs::setHook([this](const dialogs::Box& box) {
      boxes.push_back(box);
      return QMessageBox::Ok;
    });
  }
  void TearDown() override { dialogs::setHook({}); }

  // Shown without blocking and made the active window, so that focus moves as it does for a user.
  void showActive() {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
  }
  // Leaves the field in focus with Tab and lets the checks that follow a leave run.
  void pressTab() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }
  // Shows the dialog modally, runs `actions` once it is up, and returns its result; a dialog the
  // actions leave open is closed with -1 so that a failing test cannot hang.
  int execWith(const std::function<void()>& actions) {
    QTimer::singleShot(0, &form, [this, actions] {
      actions();
      if (form.isVisible()) form.done(-1);
    });
    return form.exec();
  }
  std::vector<QString> boxTexts() const {
    std::vector<QString> texts;
    for (const auto& b : boxes) texts.push_back(b.text);
    return texts;
  }
  std::vector<int> boldPanels() const {
    std::vector<int> codes;
    for (int code = 1; code <= 7; ++code)
      if (panel(code)->isBold()) codes.push_back(code);
    return codes;
  }

  // The dialog's widgets, by their names.
  template <class T = QWidget>
  T* w(const char* name) const {
    return widgetNamed<T>(&form, name);
  }
  ui::MaskEdit* timeField() const { return w<ui::MaskEdit>(names::MaskTime); }
  QLineEdit* temperatureField() const { return w<QLineEdit>(names::EdTemp); }
  QLineEdit* doseField() const { return w<QLineEdit>(names::EdDose); }
  ui::MaskEdit* initialsField() const { return w<ui::MaskEdit>(names::MaskInit); }
  QDateTimeEdit* dateField() const { return w<QDateTimeEdit>(names::DateTimePicker1); }
  QToolButton* updateButton() const { return w<QToolButton>(names::BitBtn1); }
  QToolButton* clearButton() const { return w<QToolButton>(names::BitBtn2); }
  QToolButton* undoButton() const { return w<QToolButton>(names::BitBtn3); }
  QCheckBox* stopBox() const { return w<QCheckBox>(names::ChkStop); }
  ui::ClickPanel* panel(int code) const {
    static const char* const panels[] = {names::PanelA, names::PanelB, names::PanelC, names::PanelD,
                                         names::PanelE, names::PanelF, names::PanelG};
    return w<ui::ClickPanel>(panels[code - 1]);
  }

  ui::TreatmentEntryDialog form;
  std::vector<dialogs::Box> boxes;
};

TEST_F(ConditionFormTest, DoseWarnsOnlyWhenItDiffersMoreThanFivePercentFromExpected) {
  struct Case {
    double expected;
    const char* typed;
    float dose;
    bool warns;
  };
  // clang-format off
  const Case cases[] = {
      {200, "191", 191, false}, {200, "209", 209, false}, {200, "190", 190, false}, {200, "210", 210, false},
      {200, "189", 189, true},  {200, "211", 211, true},
      {0, "5", 5, true},        {0, "0.5", 0.5f, true},  // no plan for the row: any dose differs
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expected " << c.expected << ", typed " << c.typed);
    boxes.clear();
    form.load(TreatmentRecord{}, c.expected);
    doseField()->setText(c.typed);
    form.doseLeft();
    EXPECT_EQ(form.enteredDose, c.dose);  // the value stays entered even when it warns
    ASSERT_EQ(boxes.size(), c.warns ? 1u : 0u);
    if (c.warns) {
      EXPECT_EQ(boxes[0].caption, "Check Data Entry");
      EXPECT_EQ(boxes[0].text, "Dose differs >5% from expected");
      EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    }
  }
}

TEST_F(ConditionFormTest, TemperatureWarnsOutsideThirtyToFortyFour) {
  struct Case {
    const char* typed;
    float temperature;
    bool warns;
  };
  const Case cases[] = {{"30", 30, false}, {"44", 44, false}, {"29.9", 29.9f, true}, {"44.1", 44.1f, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    boxes.clear();
    form.load(TreatmentRecord{}, 200);
    temperatureField()->setText(c.typed);
    form.temperatureLeft();
    EXPECT_EQ(form.enteredTemperature, c.temperature);
    ASSERT_EQ(boxes.size(), c.warns ? 1u : 0u);
    if (c.warns) {
      EXPECT_EQ(boxes[0].caption, "Check Data Entry");
      EXPECT_EQ(boxes[0].text, "Check Temperature");
    }
  }
}

// A text that is not a number, or a value beyond the clinical limits, is refused (naming the
// field, the value and the range) and the working value stays; an emptied field means no value, as
// an empty field shows.
TEST_F(ConditionFormTest, AValueThatCannotBeRecordedIsRefusedWhileEmptyMeansNone) {
  struct Case {
    const char* field;
    const char* typed;
    float kept;
    const char* toldAbout;  // nullptr: no message
  };
  const Case cases[] = {
      {"Dose", "3o0", 300,
       "The Dose \"3o0\" is not a number: the dose delivered is a number of mJ/cm2 from 0 to 10000.\n\nThe "
       "treatment is not recorded until the Dose is corrected or emptied."},
      {"Dose", "1e60", 300, "The Dose \"1e60\" is too large"},
      {"Dose", "10001", 300, "The Dose \"10001\" is too large"},
      {"Dose", "", 0, nullptr},
      {"Dose", "   ", 0, nullptr},
      {"Temperature", "hot", 36.5f, "The Temperature \"hot\" is not a number: a temperature is 0 (not taken)"},
      {"Temperature", "99", 36.5f, "The Temperature \"99\" is too large"},
      {"Temperature", "", 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.field << " \"" << c.typed << '"');
    boxes.clear();
    form.load(recordedTreatment(), 300);
    const bool dose = QString(c.field) == "Dose";
    (dose ? doseField() : temperatureField())->setText(c.typed);
    dose ? form.doseLeft() : form.temperatureLeft();
    EXPECT_EQ(dose ? form.enteredDose : form.enteredTemperature, c.kept);
    if (c.toldAbout) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].caption, "Check Data Entry");
      EXPECT_TRUE(boxes[0].text.startsWith(c.toldAbout)) << boxes[0].text.toStdString();
    } else {
      EXPECT_TRUE(boxes.empty());
    }
  }
}

TEST_F(ConditionFormTest, LeavingAFieldUnchangedKeepsTheRecordsExactValue) {
  TreatmentRecord r = recordedTreatment();
  r.Dose = 300.4f;
  r.Temperature = 36.55f;
  form.load(r, 300);
  ASSERT_EQ(doseField()->text(), "  300");
  form.doseLeft();
  form.temperatureLeft();
  EXPECT_EQ(form.enteredDose, 300.4f);
  EXPECT_EQ(form.enteredTemperature, 36.55f);
  EXPECT_TRUE(boxes.empty());
  doseField()->setText("301");
  form.doseLeft();
  EXPECT_EQ(form.enteredDose, 301);
}

TEST_F(ConditionFormTest, LeavingAFieldWithTabChecksIt) {
  form.load(TreatmentRecord{}, 200);
  showActive();
  typeInto(doseField(), "189");
  pressTab();
  EXPECT_EQ(form.enteredDose, 189);
  EXPECT_EQ(boxTexts(), std::vector<QString>{"Dose differs >5% from expected"});
  EXPECT_EQ(QApplication::focusWidget(), initialsField());  // a warning does not hold the focus

  boxes.clear();
  typeInto(temperatureField(), "45");
  pressTab();
  EXPECT_EQ(form.enteredTemperature, 45);
  EXPECT_EQ(boxTexts(), std::vector<QString>{"Check Temperature"});
}

TEST_F(ConditionFormTest, UpdateDoesNothingUntilAConditionIsChosen) {
  form.load(TreatmentRecord{}, 200);
  bool openAfterFirstUpdate = false;
  const int result = execWith([&] {
    updateButton()->click();
    openAfterFirstUpdate = form.isVisible();
    QTest::mouseClick(panel(Same), Qt::LeftButton);
    updateButton()->click();
  });
  EXPECT_TRUE(openAfterFirstUpdate);
  EXPECT_EQ(result, ui::TreatmentEntryDialog::Update);
  EXPECT_EQ(form.chosenCondition, Same);
}

// "Update" pressed while the dose is still being typed checks it first; the warning keeps the
// dialog open once, and the value typed is what is recorded.
TEST_F(ConditionFormTest, UpdateChecksTheFieldStillBeingTyped) {
  form.load(TreatmentRecord{}, 200);
  std::vector<QString> toldBeforeClosing;
  bool openAfterWarning = false;
  const int result = execWith([&] {
    QTest::mouseClick(panel(Clearing), Qt::LeftButton);
    form.activateWindow();
    typeInto(doseField(), "150");
    updateButton()->click();
    openAfterWarning = form.isVisible();
    toldBeforeClosing = boxTexts();
    updateButton()->click();
  });
  EXPECT_TRUE(openAfterWarning);
  EXPECT_EQ(toldBeforeClosing, std::vector<QString>{"Dose differs >5% from expected"});
  EXPECT_EQ(result, ui::TreatmentEntryDialog::Update);
  EXPECT_EQ(form.enteredDose, 150);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ConditionFormTest, ButtonsAndOtherClosesGiveTheirResults) {
  struct Case {
    const char* how;
    std::function<void(ui::TreatmentEntryDialog&)> close;
    int result;
  };
  const Case cases[] = {
      {"Undo", [this](ui::TreatmentEntryDialog&) { undoButton()->click(); }, ui::TreatmentEntryDialog::Undo},
      {"Clear", [this](ui::TreatmentEntryDialog&) { clearButton()->click(); }, ui::TreatmentEntryDialog::Clear},
      {"window-manager close", [](ui::TreatmentEntryDialog& f) { f.close(); }, ui::TreatmentEntryDialog::Undo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    form.load(TreatmentRecord{}, 200);
    EXPECT_EQ(execWith([&] { c.close(form); }), c.result);
  }
}

TEST_F(ConditionFormTest, EscapeDoesNotCloseTheDialog) {
  bool openAfterEscape = false;
  execWith([&] {
    QTest::keyClick(timeField(), Qt::Key_Escape);  // unchanged field: the key reaches the dialog
    openAfterEscape = form.isVisible();
  });
  EXPECT_TRUE(openAfterEscape);
}

// Closing by the window manager or Escape never throws away what was entered without asking.
TEST_F(ConditionFormTest, ClosingAfterSomethingWasEnteredAsksFirst) {
  struct Case {
    const char* how;
    std::function<void()> close;
    QMessageBox::StandardButton answer;
    int result;  // -1: still open
  };
  const Case cases[] = {
      {"window manager, No", [this] { form.close(); }, QMessageBox::No, -1},
      {"window manager, Yes", [this] { form.close(); }, QMessageBox::Yes, ui::TreatmentEntryDialog::Undo},
      {"Escape, No", [this] { QTest::keyClick(doseField(), Qt::Key_Escape); }, QMessageBox::No, -1},
      {"Escape, Yes", [this] { QTest::keyClick(doseField(), Qt::Key_Escape); }, QMessageBox::Yes,
       ui::TreatmentEntryDialog::Undo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    boxes.clear();
    dialogs::setHook([&](const dialogs::Box& box) {
      boxes.push_back(box);
      return c.answer;
    });
    form.load(TreatmentRecord{}, 200);
    EXPECT_EQ(execWith([&] {
                doseField()->setText("150");
                c.close();
              }),
              c.result);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith("Close without recording this treatment?")) << boxes[0].text.toStdString();
  }
}

// A whole treatment by keyboard: the panels are in the Tab order after the date, Space chooses the
// one with the focus, and Alt with the panel's number chooses it from any field.
TEST_F(ConditionFormTest, ResponseAndBurnAreChosenByKeyboard) {
  form.load(TreatmentRecord{}, 200);
  showActive();
  // Tab goes through the date's day, month and year first, then on to the panels.
  dateField()->setFocus(Qt::TabFocusReason);
  for (int k = 0; k < 5 && QApplication::focusWidget() == dateField(); ++k) pressTab();
  EXPECT_EQ(QApplication::focusWidget(), panel(Missed));
  for (int code = Worse; code <= BurnIII; ++code) {
    pressTab();
    EXPECT_EQ(QApplication::focusWidget(), panel(code));
  }
  pressTab();
  EXPECT_EQ(QApplication::focusWidget(), updateButton());

  panel(Clearing)->setFocus(Qt::TabFocusReason);
  QTest::keyClick(panel(Clearing), Qt::Key_Space);
  EXPECT_EQ(form.chosenCondition, Clearing);
  doseField()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(doseField(), Qt::Key_3, Qt::AltModifier);
  QTest::keyClick(doseField(), Qt::Key_6, Qt::AltModifier);
  EXPECT_EQ(form.chosenCondition, Same);
  EXPECT_EQ(form.chosenBurn, BurnII);
  EXPECT_EQ(boldPanels(), (std::vector<int>{Same, BurnII}));
  EXPECT_TRUE(panel(Same)->accessibleDescription().contains("Alt+3"));
  form.hide();
}

// "Update" says what is missing, and refuses what cannot have been given, without closing.
TEST_F(ConditionFormTest, UpdateSaysWhyATreatmentCannotBeRecordedYet) {
  form.load(TreatmentRecord{}, 200);
  std::vector<QString> told, first;
  const int result = execWith([&] {
    updateButton()->click();  // no response chosen
    first = boxTexts();
    QTest::mouseClick(panel(Missed), Qt::LeftButton);
    doseField()->setText("150");
    form.doseLeft();
    boxes.clear();
    updateButton()->click();  // a missed visit with a dose
    told = boxTexts();
  });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(first, std::vector<QString>{"Choose the response first"});
  ASSERT_EQ(told.size(), 1u);
  EXPECT_TRUE(told[0].startsWith("A missed visit delivers no dose")) << told[0].toStdString();
}

TEST_F(ConditionFormTest, PanelClicksChooseOneConditionAndTakeBackARepeatedBurn) {
  struct Case {
    const char* name;
    std::vector<ui::ClickPanel*> clicks;
    int condition, burn;
    std::vector<int> bold;
  };
  const Case cases[] = {
      {"Burn II twice", {panel(BurnII), panel(BurnII)}, 0, 0, {}},
      {"Burn I then Burn III", {panel(BurnI), panel(BurnIII)}, 0, BurnIII, {BurnIII}},
      {"Same then Missed", {panel(Same), panel(Missed)}, Missed, 0, {Missed}},
      {"Same twice", {panel(Same), panel(Same)}, Same, 0, {Same}},
      {"Worse and Burn II", {panel(Worse), panel(BurnII)}, Worse, BurnII, {Worse, BurnII}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.load(TreatmentRecord{}, 200);
    for (ui::ClickPanel* clicked : c.clicks) QTest::mouseClick(clicked, Qt::LeftButton);
    EXPECT_EQ(form.chosenCondition, c.condition);
    EXPECT_EQ(form.chosenBurn, c.burn);
    EXPECT_EQ(boldPanels(), c.bold);
  }
}

TEST_F(ConditionFormTest, LoadShowsARecordedTreatmentAndANewOneEmpty) {
  form.load(recordedTreatment(), 300);
  EXPECT_EQ(timeField()->maskedText(), " 5:30");
  EXPECT_EQ(doseField()->text(), "  300");
  EXPECT_EQ(temperatureField()->text(), "36.5");
  EXPECT_EQ(initialsField()->maskedText(), "ABC");
  EXPECT_EQ(dateField()->date(), QDate(2023, 3, 7));
  EXPECT_EQ(boldPanels(), (std::vector<int>{Same, BurnI}));

  form.load(TreatmentRecord{}, 250);
  EXPECT_EQ(timeField()->maskedText(), "  :  ");
  EXPECT_EQ(doseField()->text(), "");
  EXPECT_EQ(temperatureField()->text(), "");
  EXPECT_EQ(initialsField()->maskedText(), "   ");
  EXPECT_EQ(dateField()->date(), QDate(2023, 3, 7));  // the date shown last stays
  EXPECT_EQ(boldPanels(), std::vector<int>{});
  EXPECT_EQ(form.chosenCondition, 0);

  const int result = execWith([&] {
    QTest::mouseClick(panel(Same), Qt::LeftButton);
    updateButton()->click();
  });
  EXPECT_EQ(result, ui::TreatmentEntryDialog::Update);
  EXPECT_EQ(form.enteredDose, 0);
  EXPECT_EQ(form.chosenBurn, 0);
  EXPECT_EQ(form.enteredTemperature, 0);
  EXPECT_EQ(form.expectedDose, 250);
}

TEST_F(ConditionFormTest, RecordedZeroDoseAndTemperatureShowEmptyFields) {
  TreatmentRecord r = recordedTreatment();
  r.Dose = 0;
  r.Temperature = 0;
  form.load(r, 300);
  EXPECT_EQ(doseField()->text(), "");
  EXPECT_EQ(temperatureField()->text(), "");
}

TEST_F(ConditionFormTest, DamagedValuesInARecordDoNotReachAPanelOrTheDate) {
  form.load(recordedTreatment(), 300);
  TreatmentRecord r = recordedTreatment();
  r.response = 100;
  r.burn = -3;
  r.When = 1e300;
  form.load(r, 300);
  EXPECT_EQ(boldPanels(), std::vector<int>{});
  EXPECT_EQ(dateField()->date(), QDate(2023, 3, 7));
  QTest::mouseClick(panel(BurnI), Qt::LeftButton);
  QTest::mouseClick(panel(Missed), Qt::LeftButton);
  EXPECT_EQ(boldPanels(), (std::vector<int>{Missed, BurnI}));
}

TEST_F(ConditionFormTest, TimeFieldRefusesToBeLeftHalfFilled) {
  struct Case {
    const char* keys;
    const char* shown;
    bool refused;
  };
  // clang-format off
  const Case cases[] = {
      {"12:05", "12:05", false},
      {"5:30", " 5:30", false},  // a single minute digit belongs on the right
      {" 530", " 5:30", false},
      {"", "  :  ", false},      // no time at all
      {"12:3", "12:3 ", true},
      {"5", "5 :  ", true},
  };
  // clang-format on
  showActive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    boxes.clear();
    form.load(recordedTreatment(), 300);
    typeInto(timeField(), c.keys);
    EXPECT_EQ(timeField()->maskedText(), c.shown);
    pressTab();
    if (c.refused) {
      EXPECT_EQ(boxTexts(), std::vector<QString>{invalidTime(c.shown)});
      EXPECT_EQ(QApplication::focusWidget(), timeField());
      // Escape abandons the change; then the field may be left.
      QTest::keyClick(timeField(), Qt::Key_Escape);
      EXPECT_EQ(timeField()->maskedText(), " 5:30");
      EXPECT_TRUE(form.isVisible());
      pressTab();
      EXPECT_EQ(QApplication::focusWidget(), temperatureField());
      EXPECT_EQ(boxes.size(), 1u);
    } else {
      EXPECT_TRUE(boxes.empty());
      EXPECT_EQ(QApplication::focusWidget(), temperatureField());
    }
  }
}

// The record keeps one byte per character, so the fields take nothing it could not hold.
TEST_F(ConditionFormTest, MaskedFieldsRefuseCharactersTheRecordCannotHold) {
  struct Case {
    const char* name;
    ui::MaskEdit* field;
    QString typed;
    QString shown;
  };
  const Case cases[] = {
      {"initials", initialsField(), QString::fromUtf8("\u00e9\u03a9b"), QString::fromUtf8("\u00e9b ")},
      {"time", timeField(), QString::fromUtf8("\u0663\u00bd12:05"), "12:05"},
  };
  showActive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.load(TreatmentRecord{}, 200);
    c.field->setFocus(Qt::TabFocusReason);
    c.field->setCursorPosition(0);
    for (const QChar ch : c.typed) {  // QTest::keyClicks knows only ASCII keys
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(c.field, &press);
    }
    EXPECT_EQ(c.field->maskedText(), c.shown);
  }
}

TEST_F(ConditionFormTest, UpdateWithAHalfFilledTimeStaysOpen) {
  form.load(TreatmentRecord{}, 200);
  bool openAfterUpdate = false;
  const int result = execWith([&] {
    QTest::mouseClick(panel(Same), Qt::LeftButton);
    form.activateWindow();
    typeInto(timeField(), "3:1");
    updateButton()->click();
    openAfterUpdate = form.isVisible();
    QTest::keyClicks(timeField(), "5");
    updateButton()->click();
  });
  EXPECT_TRUE(openAfterUpdate);
  EXPECT_EQ(boxTexts(), std::vector<QString>{invalidTime("3:1")});
  EXPECT_EQ(result, ui::TreatmentEntryDialog::Update);
  EXPECT_EQ(timeField()->maskedText(), " 3:15");
}

TEST_F(ConditionFormTest, DecimalCommaLocaleShowsAndReadsComma) {
  const LocaleScope german("de_DE.UTF-8");
  form.load(recordedTreatment(), 300);
  EXPECT_EQ(temperatureField()->text(), "36,5");
  struct Case {
    const char* typed;
    float temperature;
  };
  for (const Case& c : {Case{"36,5", 36.5f}, Case{"37.5", 37.5f}, Case{"38,25", 38.25f}}) {
    SCOPED_TRACE(c.typed);
    temperatureField()->setText(c.typed);
    form.temperatureLeft();
    EXPECT_EQ(form.enteredTemperature, c.temperature);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ConditionFormTest, OpensOverTheMainWindowWithTheTimeFieldInFocus) {
  QWidget main;
  main.move(100, 50);
  main.resize(800, 600);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  ui::TreatmentEntryDialog dialog(&main);
  dialog.load(TreatmentRecord{}, 200);
  widgetNamed(&dialog, names::EdDose)->setFocus();
  dialog.show();
  EXPECT_EQ(dialog.pos(), main.pos() + QPoint(270, 160));
  EXPECT_EQ(dialog.focusWidget(), widgetNamed(&dialog, names::MaskTime));
  dialog.hide();
}

TEST_F(ConditionFormTest, ControlsAreArrangedAndNamedAsTheTherapistSeesThem) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.windowTitle(), "Patient Condition");
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);

  // Buttons side by side at the top right: Update, Undo, Clear, with their tags and pictures.
  EXPECT_LT(updateButton()->x(), undoButton()->x());
  EXPECT_LT(undoButton()->x(), clearButton()->x());
  EXPECT_EQ(updateButton()->y(), clearButton()->y());
  EXPECT_GT(updateButton()->x(), timeField()->x() + timeField()->width());
  const std::pair<QToolButton*, int> tags[] = {{updateButton(), 1}, {undoButton(), 2}, {clearButton(), 3}};
  for (const auto& [button, tag] : tags) {
    EXPECT_EQ(button->property("tag").toInt(), tag);
    EXPECT_FALSE(button->icon().isNull());
  }

  // The seven panels in one row along the bottom, left to right, on their colours.
  const char* captions[] = {"", "Missed", "Worse", "Same", "Clearing", "Burn I", "Burn II", "Burn III"};
  for (int code = 1; code <= 7; ++code) {
    SCOPED_TRACE(code);
    ui::ClickPanel* p = panel(code);
    EXPECT_EQ(p->caption(), captions[code]);
    EXPECT_EQ(p->tag(), code);
    EXPECT_EQ(p->palette().color(QPalette::Window), responseColour(code));
    EXPECT_GT(p->y(), dateField()->y());
    if (code > 1) {
      EXPECT_EQ(p->y(), panel(code - 1)->y());
      EXPECT_GT(p->x(), panel(code - 1)->x());
    }
  }

  // Every input can be found by its label's text.
  const std::pair<QWidget*, const char*> named[] = {
      {timeField(), "Treatment Time"}, {temperatureField(), "Temperatrure"},
      {doseField(), "Dose"},           {initialsField(), "Therapist Initials"},
      {dateField(), "Date"},           {stopBox(), "Stop Treatment"}};
  for (const auto& [widget, name] : named) EXPECT_EQ(widget->accessibleName(), name);
  EXPECT_EQ(stopBox()->text(), "Stop Treatment");
  form.hide();
}

// A click into a masked field puts the cursor where typing fills it: behind the blanks of an empty
// field nothing typed would land.
TEST_F(ConditionFormTest, AClickIntoAMaskedFieldPutsTheCursorWhereTypingFillsIt) {
  struct Case {
    const char* what;
    const char* field;
    QString before;
    int clickedAt;  // a character position, or -1 for the field's right end
    const char* keys;
    QString after;
  };
  const Case cases[] = {
      {"empty time, clicked at its right end", names::MaskTime, "", -1, "0230", "02:30"},
      {"empty initials, clicked at their right end", names::MaskInit, "", -1, "AB", "AB "},
      {"minutes typed, clicked behind the blanks", names::MaskTime, "12:  ", -1, "45", "12:45"},
      {"initials typed, clicked inside them", names::MaskInit, "ACD", 1, "B", "ABD"},
  };
  showActive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form.load(TreatmentRecord{}, 200);
    auto* field = w<ui::MaskEdit>(c.field);
    field->setMaskedText(c.before);
    doseField()->setFocus(Qt::TabFocusReason);  // the click brings the focus
    // The left margin of the text, then the typed characters before the position clicked.
    int x = field->width() - 4;
    if (c.clickedAt >= 0)
      x = field->contentsRect().left() + 3 +
          field->fontMetrics().horizontalAdvance(field->maskedText().left(c.clickedAt));
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(x, field->height() / 2));
    QTest::keyClicks(field, QString::fromLatin1(c.keys));
    EXPECT_EQ(field->maskedText(), c.after);
  }
}

}  // namespace
