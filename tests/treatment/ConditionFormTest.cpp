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

#include "support/LocaleScope.h"
#include "shell/ClickPanel.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "treatment/ConditionForm.h"
#include "treatment/MaskEdit.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QString kInvalidTime = QStringLiteral("Invalid input value.  Use escape key to abandon changes");

TCondition recordedTreatment() {
  TCondition r;
  r.Condition = Same;
  r.Burn = BurnI;
  r.Dose = 300;
  r.Temperature = 36.5f;
  r.Txtime = " 5:30";
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
      if (form.Con_Panels[code]->isBold()) codes.push_back(code);
    return codes;
  }

  TCondition_Form form;
  std::vector<dialogs::Box> boxes;
};

TEST_F(ConditionFormTest, DoseWarnsOnlyWhenItDiffersMoreThanFivePercentFromExpected) {
  struct Case { double expected; const char* typed; float dose; bool warns; };
  const Case cases[] = {
      {200, "191", 191, false}, {200, "209", 209, false}, {200, "190", 190, false}, {200, "210", 210, false},
      {200, "189", 189, true},  {200, "211", 211, true},
      {0, "5", 5, true},        {0, "0.5", 0.5f, true},  // no plan for the row: any dose differs
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expected " << c.expected << ", typed " << c.typed);
    boxes.clear();
    form.Load(TCondition{}, c.expected);
    form.EdDose->setText(c.typed);
    form.EdDoseExit();
    EXPECT_EQ(form.FDose, c.dose);  // the value stays entered even when it warns
    ASSERT_EQ(boxes.size(), c.warns ? 1u : 0u);
    if (c.warns) {
      EXPECT_EQ(boxes[0].caption, "Check Data Entry");
      EXPECT_EQ(boxes[0].text, "Dose differs >5% from expected");
      EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    }
  }
}

TEST_F(ConditionFormTest, TemperatureWarnsOutsideThirtyToFortyFour) {
  struct Case { const char* typed; float temperature; bool warns; };
  const Case cases[] = {{"30", 30, false}, {"44", 44, false}, {"29.9", 29.9f, true}, {"44.1", 44.1f, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    boxes.clear();
    form.Load(TCondition{}, 200);
    form.EdTemp->setText(c.typed);
    form.EdTempExit();
    EXPECT_EQ(form.FTemperature, c.temperature);
    ASSERT_EQ(boxes.size(), c.warns ? 1u : 0u);
    if (c.warns) {
      EXPECT_EQ(boxes[0].caption, "Check Data Entry");
      EXPECT_EQ(boxes[0].text, "Check Temperature");
    }
  }
}

// A text that is not a number keeps the working value, and the user is told so (naming the
// field); an emptied field means no value, as an empty field shows.
TEST_F(ConditionFormTest, TextThatIsNotANumberKeepsTheValueAndSaysSoWhileEmptyMeansNone) {
  struct Case {
    const char* field;
    const char* typed;
    float kept;
    const char* toldAbout;  // nullptr: no message
  };
  const Case cases[] = {
      {"Dose", "3o0", 300, "The Dose \"3o0\" is not a number, so the dose stays 300 mJ/cm2"},
      {"Dose", "1e60", 300, "The Dose \"1e60\" is not a number"},
      {"Dose", "", 0, nullptr},
      {"Dose", "   ", 0, nullptr},
      {"Temperature", "hot", 36.5f, "The Temperature \"hot\" is not a number, so the temperature stays 36.5 C"},
      {"Temperature", "", 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.field << " \"" << c.typed << '"');
    boxes.clear();
    form.Load(recordedTreatment(), 300);
    const bool dose = QString(c.field) == "Dose";
    (dose ? form.EdDose : form.EdTemp)->setText(c.typed);
    dose ? form.EdDoseExit() : form.EdTempExit();
    EXPECT_EQ(dose ? form.FDose : form.FTemperature, c.kept);
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
  TCondition r = recordedTreatment();
  r.Dose = 300.4f;
  r.Temperature = 36.55f;
  form.Load(r, 300);
  ASSERT_EQ(form.EdDose->text(), "  300");
  form.EdDoseExit();
  form.EdTempExit();
  EXPECT_EQ(form.FDose, 300.4f);
  EXPECT_EQ(form.FTemperature, 36.55f);
  EXPECT_TRUE(boxes.empty());
  form.EdDose->setText("301");
  form.EdDoseExit();
  EXPECT_EQ(form.FDose, 301);
}

TEST_F(ConditionFormTest, LeavingAFieldWithTabChecksIt) {
  form.Load(TCondition{}, 200);
  showActive();
  typeInto(form.EdDose, "189");
  pressTab();
  EXPECT_EQ(form.FDose, 189);
  EXPECT_EQ(boxTexts(), std::vector<QString>{"Dose differs >5% from expected"});
  EXPECT_EQ(QApplication::focusWidget(), form.MaskInit);  // a warning does not hold the focus

  boxes.clear();
  typeInto(form.EdTemp, "45");
  pressTab();
  EXPECT_EQ(form.FTemperature, 45);
  EXPECT_EQ(boxTexts(), std::vector<QString>{"Check Temperature"});
}

TEST_F(ConditionFormTest, UpdateDoesNothingUntilAConditionIsChosen) {
  form.Load(TCondition{}, 200);
  bool openAfterFirstUpdate = false;
  const int result = execWith([&] {
    form.BitBtn1->click();
    openAfterFirstUpdate = form.isVisible();
    QTest::mouseClick(form.PanelC, Qt::LeftButton);
    form.BitBtn1->click();
  });
  EXPECT_TRUE(openAfterFirstUpdate);
  EXPECT_EQ(result, TCondition_Form::Update);
  EXPECT_EQ(form.FCondition, Same);
}

// "Update" pressed while the dose is still being typed checks it first; the warning keeps the
// dialog open once, and the value typed is what is recorded.
TEST_F(ConditionFormTest, UpdateChecksTheFieldStillBeingTyped) {
  form.Load(TCondition{}, 200);
  std::vector<QString> toldBeforeClosing;
  bool openAfterWarning = false;
  const int result = execWith([&] {
    QTest::mouseClick(form.PanelD, Qt::LeftButton);
    form.activateWindow();
    typeInto(form.EdDose, "150");
    form.BitBtn1->click();
    openAfterWarning = form.isVisible();
    toldBeforeClosing = boxTexts();
    form.BitBtn1->click();
  });
  EXPECT_TRUE(openAfterWarning);
  EXPECT_EQ(toldBeforeClosing, std::vector<QString>{"Dose differs >5% from expected"});
  EXPECT_EQ(result, TCondition_Form::Update);
  EXPECT_EQ(form.FDose, 150);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ConditionFormTest, ButtonsAndOtherClosesGiveTheirResults) {
  struct Case { const char* how; std::function<void(TCondition_Form&)> close; int result; };
  const Case cases[] = {
      {"Undo", [](TCondition_Form& f) { f.BitBtn3->click(); }, TCondition_Form::Undo},
      {"Clear", [](TCondition_Form& f) { f.BitBtn2->click(); }, TCondition_Form::Clear},
      {"window-manager close", [](TCondition_Form& f) { f.close(); }, TCondition_Form::Undo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    form.Load(TCondition{}, 200);
    EXPECT_EQ(execWith([&] { c.close(form); }), c.result);
  }
}

TEST_F(ConditionFormTest, EscapeDoesNotCloseTheDialog) {
  bool openAfterEscape = false;
  execWith([&] {
    QTest::keyClick(form.MaskTime, Qt::Key_Escape);  // unchanged field: the key reaches the dialog
    openAfterEscape = form.isVisible();
  });
  EXPECT_TRUE(openAfterEscape);
}

TEST_F(ConditionFormTest, PanelClicksChooseOneConditionAndTakeBackARepeatedBurn) {
  struct Case { const char* name; std::vector<ClickPanel*> clicks; int condition, burn; std::vector<int> bold; };
  const Case cases[] = {
      {"Burn II twice", {form.PanelF, form.PanelF}, 0, 0, {}},
      {"Burn I then Burn III", {form.PanelE, form.PanelG}, 0, BurnIII, {BurnIII}},
      {"Same then Missed", {form.PanelC, form.PanelA}, Missed, 0, {Missed}},
      {"Same twice", {form.PanelC, form.PanelC}, Same, 0, {Same}},
      {"Worse and Burn II", {form.PanelB, form.PanelF}, Worse, BurnII, {Worse, BurnII}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.Load(TCondition{}, 200);
    for (ClickPanel* panel : c.clicks) QTest::mouseClick(panel, Qt::LeftButton);
    EXPECT_EQ(form.FCondition, c.condition);
    EXPECT_EQ(form.FBurn, c.burn);
    EXPECT_EQ(boldPanels(), c.bold);
  }
}

TEST_F(ConditionFormTest, LoadShowsARecordedTreatmentAndANewOneEmpty) {
  form.Load(recordedTreatment(), 300);
  EXPECT_EQ(form.MaskTime->maskedText(), " 5:30");
  EXPECT_EQ(form.EdDose->text(), "  300");
  EXPECT_EQ(form.EdTemp->text(), "36.5");
  EXPECT_EQ(form.MaskInit->maskedText(), "ABC");
  EXPECT_EQ(form.DateTimePicker1->date(), QDate(2023, 3, 7));
  EXPECT_EQ(boldPanels(), (std::vector<int>{Same, BurnI}));

  form.Load(TCondition{}, 250);
  EXPECT_EQ(form.MaskTime->maskedText(), "  :  ");
  EXPECT_EQ(form.EdDose->text(), "");
  EXPECT_EQ(form.EdTemp->text(), "");
  EXPECT_EQ(form.MaskInit->maskedText(), "   ");
  EXPECT_EQ(form.DateTimePicker1->date(), QDate(2023, 3, 7));  // the date shown last stays
  EXPECT_EQ(boldPanels(), std::vector<int>{});
  EXPECT_EQ(form.FCondition, 0);

  const int result = execWith([&] {
    QTest::mouseClick(form.PanelC, Qt::LeftButton);
    form.BitBtn1->click();
  });
  EXPECT_EQ(result, TCondition_Form::Update);
  EXPECT_EQ(form.FDose, 0);
  EXPECT_EQ(form.FBurn, 0);
  EXPECT_EQ(form.FTemperature, 0);
  EXPECT_EQ(form.CheckDose, 250);
}

TEST_F(ConditionFormTest, RecordedZeroDoseAndTemperatureShowEmptyFields) {
  TCondition r = recordedTreatment();
  r.Dose = 0;
  r.Temperature = 0;
  form.Load(r, 300);
  EXPECT_EQ(form.EdDose->text(), "");
  EXPECT_EQ(form.EdTemp->text(), "");
}

TEST_F(ConditionFormTest, DamagedValuesInARecordDoNotReachAPanelOrTheDate) {
  form.Load(recordedTreatment(), 300);
  TCondition r = recordedTreatment();
  r.Condition = 100;
  r.Burn = -3;
  r.When = 1e300;
  form.Load(r, 300);
  EXPECT_EQ(boldPanels(), std::vector<int>{});
  EXPECT_EQ(form.DateTimePicker1->date(), QDate(2023, 3, 7));
  QTest::mouseClick(form.PanelE, Qt::LeftButton);
  QTest::mouseClick(form.PanelA, Qt::LeftButton);
  EXPECT_EQ(boldPanels(), (std::vector<int>{Missed, BurnI}));
}

TEST_F(ConditionFormTest, TimeFieldRefusesToBeLeftHalfFilled) {
  struct Case { const char* keys; const char* shown; bool refused; };
  const Case cases[] = {
      {"12:05", "12:05", false},
      {"5:30", " 5:30", false},  // a single minute digit belongs on the right
      {" 530", " 5:30", false},
      {"", "  :  ", false},      // no time at all
      {"12:3", "12:3 ", true},
      {"5", "5 :  ", true},
  };
  showActive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    boxes.clear();
    form.Load(recordedTreatment(), 300);
    typeInto(form.MaskTime, c.keys);
    EXPECT_EQ(form.MaskTime->maskedText(), c.shown);
    pressTab();
    if (c.refused) {
      EXPECT_EQ(boxTexts(), std::vector<QString>{kInvalidTime});
      EXPECT_EQ(QApplication::focusWidget(), form.MaskTime);
      // Escape abandons the change; then the field may be left.
      QTest::keyClick(form.MaskTime, Qt::Key_Escape);
      EXPECT_EQ(form.MaskTime->maskedText(), " 5:30");
      EXPECT_TRUE(form.isVisible());
      pressTab();
      EXPECT_EQ(QApplication::focusWidget(), form.EdTemp);
      EXPECT_EQ(boxes.size(), 1u);
    } else {
      EXPECT_TRUE(boxes.empty());
      EXPECT_EQ(QApplication::focusWidget(), form.EdTemp);
    }
  }
}

// The record keeps one byte per character, so the fields take nothing it could not hold.
TEST_F(ConditionFormTest, MaskedFieldsRefuseCharactersTheRecordCannotHold) {
  struct Case { const char* name; MaskEdit* field; QString typed; QString shown; };
  const Case cases[] = {
      {"initials", form.MaskInit, QString::fromUtf8("\u00e9\u03a9b"), QString::fromUtf8("\u00e9b ")},
      {"time", form.MaskTime, QString::fromUtf8("\u0663\u00bd12:05"), "12:05"},
  };
  showActive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.Load(TCondition{}, 200);
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
  form.Load(TCondition{}, 200);
  bool openAfterUpdate = false;
  const int result = execWith([&] {
    QTest::mouseClick(form.PanelC, Qt::LeftButton);
    form.activateWindow();
    typeInto(form.MaskTime, "3:1");
    form.BitBtn1->click();
    openAfterUpdate = form.isVisible();
    QTest::keyClicks(form.MaskTime, "5");
    form.BitBtn1->click();
  });
  EXPECT_TRUE(openAfterUpdate);
  EXPECT_EQ(boxTexts(), std::vector<QString>{kInvalidTime});
  EXPECT_EQ(result, TCondition_Form::Update);
  EXPECT_EQ(form.MaskTime->maskedText(), " 3:15");
}

TEST_F(ConditionFormTest, DecimalCommaLocaleShowsAndReadsComma) {
  const LocaleScope german("de_DE.UTF-8");
  form.Load(recordedTreatment(), 300);
  EXPECT_EQ(form.EdTemp->text(), "36,5");
  struct Case { const char* typed; float temperature; };
  for (const Case& c : {Case{"36,5", 36.5f}, Case{"37.5", 37.5f}, Case{"38,25", 38.25f}}) {
    SCOPED_TRACE(c.typed);
    form.EdTemp->setText(c.typed);
    form.EdTempExit();
    EXPECT_EQ(form.FTemperature, c.temperature);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ConditionFormTest, OpensOverTheMainWindowWithTheTimeFieldInFocus) {
  QWidget main;
  main.move(100, 50);
  main.resize(800, 600);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  TCondition_Form dialog(&main);
  dialog.Load(TCondition{}, 200);
  dialog.EdDose->setFocus();
  dialog.show();
  EXPECT_EQ(dialog.pos(), main.pos() + QPoint(270, 160));
  EXPECT_EQ(dialog.focusWidget(), dialog.MaskTime);
  dialog.hide();
}

TEST_F(ConditionFormTest, ControlsAreArrangedAndNamedAsTheTherapistSeesThem) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.windowTitle(), "Patient Condition");
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);

  // Buttons side by side at the top right: Update, Undo, Clear, with their tags and pictures.
  EXPECT_LT(form.BitBtn1->x(), form.BitBtn3->x());
  EXPECT_LT(form.BitBtn3->x(), form.BitBtn2->x());
  EXPECT_EQ(form.BitBtn1->y(), form.BitBtn2->y());
  EXPECT_GT(form.BitBtn1->x(), form.MaskTime->x() + form.MaskTime->width());
  const std::pair<QToolButton*, int> tags[] = {{form.BitBtn1, 1}, {form.BitBtn3, 2}, {form.BitBtn2, 3}};
  for (const auto& [button, tag] : tags) {
    EXPECT_EQ(button->property("tag").toInt(), tag);
    EXPECT_FALSE(button->icon().isNull());
  }

  // The seven panels in one row along the bottom, left to right, on their colours.
  const char* captions[] = {"", "Missed", "Worse", "Same", "Clearing", "Burn I", "Burn II", "Burn III"};
  EXPECT_EQ(form.Con_Panels[0], nullptr);
  for (int code = 1; code <= 7; ++code) {
    SCOPED_TRACE(code);
    ClickPanel* p = form.Con_Panels[code];
    EXPECT_EQ(p->caption(), captions[code]);
    EXPECT_EQ(p->tag(), code);
    EXPECT_EQ(p->palette().color(QPalette::Window), responseColour(code));
    EXPECT_GT(p->y(), form.DateTimePicker1->y());
    if (code > 1) {
      EXPECT_EQ(p->y(), form.Con_Panels[code - 1]->y());
      EXPECT_GT(p->x(), form.Con_Panels[code - 1]->x());
    }
  }

  // Every input can be found by its label's text.
  const std::pair<QWidget*, const char*> named[] = {
      {form.MaskTime, "Treatment Time"}, {form.EdTemp, "Temperatrure"}, {form.EdDose, "Dose"},
      {form.MaskInit, "Therapist Initials"}, {form.DateTimePicker1, "Date"}, {form.ChkStop, "Stop Treatment"}};
  for (const auto& [widget, name] : named) EXPECT_EQ(widget->accessibleName(), name);
  EXPECT_EQ(form.ChkStop->text(), "Stop Treatment");
  form.hide();
}

}  // namespace
