// The rules behind the treatment entry dialog's checks, without widgets.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <functional>

#include "base/DateTime.h"
#include "treatment/EntryChecks.h"

namespace {

TEST(DoseCheck, WarnsOnlyOutsideFivePercentOfTheExpectedDose) {
  struct Case {
    float expected, dose;
    bool differs;
  };
  // clang-format off
  const Case cases[] = {
      {200, 191, false}, {200, 209, false},
      {200, 190, false}, {200, 210, false},  // exactly 95% and 105% are accepted
      {200, 189, true},  {200, 211, true},
      {200, 189.99f, true}, {200, 210.01f, true},
      {333, 316.35f, false}, {333, 349.65f, false},  // 95% and 105% of an uneven dose
      {0, 1, true}, {0, 0.01f, true}, {0, 500, true},  // no plan: any positive dose differs
      {200, 0, true}, {200, -5, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expected " << c.expected << ", dose " << c.dose);
    EXPECT_EQ(entry::doseDiffersFromExpected(c.dose, c.expected), c.differs);
  }
}

TEST(TemperatureCheck, AcceptsThirtyToFortyFourInclusive) {
  struct Case {
    double celsius;
    bool implausible;
  };
  const Case cases[] = {{30, false},  {44, false}, {36.5, false}, {29.9, true},
                        {44.1, true}, {0, true},   {-5, true},    {440, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.celsius);
    EXPECT_EQ(entry::temperatureImplausible(c.celsius), c.implausible);
  }
}

TEST(TreatmentTime, TellsEmptyCompleteAndPartialFields) {
  using entry::TimeEntry;
  struct Case {
    const char* text;
    TimeEntry kind;
  };
  // clang-format off
  const Case cases[] = {
      {"  :  ", TimeEntry::Empty},    {"", TimeEntry::Empty},
      {" 5:30", TimeEntry::Complete}, {"12:05", TimeEntry::Complete}, {"00:00", TimeEntry::Complete},
      {" 5:3 ", TimeEntry::Partial},  {"  :30", TimeEntry::Partial},  {"5 :30", TimeEntry::Partial},
      {"1 :  ", TimeEntry::Partial},  {" 5:  ", TimeEntry::Partial},  {"12:", TimeEntry::Partial},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(entry::classifyTreatmentTime(QString::fromLatin1(c.text)), c.kind);
  }
}

TEST(TreatmentTime, BringsStoredTimesIntoTheFieldsForm) {
  struct Case {
    const char* stored;
    const char* field;
  };
  // clang-format off
  const Case cases[] = {
      {" 5:30", " 5:30"}, {"12:05", "12:05"}, {"  :  ", "  :  "},  // the field's own texts
      {"5:30", " 5:30"},  {"", "  :  "},     {"5 :30", " 5:30"},   // blanks stripped or misplaced
      {" 5:3", " 5:3 "},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(entry::treatmentTimeForField(QString::fromLatin1(c.stored)), QString::fromLatin1(c.field));
  }
}

TEST(TreatmentTime, StoresOnlyEmptyOrCompleteTimesWithSecondsBelowSixty) {
  struct Case {
    const char* text;
    bool acceptable;
  };
  // clang-format off
  const Case cases[] = {
      {"  :  ", true},  {" 5:30", true},  {"12:05", true}, {"59:59", true},
      {"12:  ", false}, {" 2:3 ", false}, {" 2:60", false}, {" 2:75", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(entry::treatmentTimeAcceptable(QString::fromLatin1(c.text)), c.acceptable);
  }
  EXPECT_EQ(entry::treatmentTimeProblem(QStringLiteral("12:  ")),
            QStringLiteral("The Treatment Time \"12:\" is not a time: type it as m:ss or mm:ss, minutes and seconds "
                           "(for example 2:30 or 12:05), or leave the field empty."));
}

// A treatment as the dialog gives it on "Update", changed one field at a time.
TEST(RecordableTreatment, RefusesWhatCannotHaveHappenedAndKeepsAdviceAdvice) {
  const QDate today(2026, 12, 10);
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  treatment::TreatmentEntry good;
  good.condition = Same;
  good.dose = 250;
  good.temperature = 36.5f;
  good.time = QStringLiteral(" 2:30");
  good.initials = QStringLiteral("AB ");
  good.when = datetime::fromQDateTime(QDateTime(today, QTime(9, 0)));

  struct Case {
    const char* what;
    std::function<void(treatment::TreatmentEntry&)> change;
    const char* refusal;  // a part of the text; empty: recorded
  };
  // clang-format off
  const Case cases[] = {
      {"as entered", [](auto&) {}, ""},
      {"no response", [](auto& e) { e.condition = 0; }, "Choose the response first"},
      {"a dose of 10000", [](auto& e) { e.dose = 10000; }, ""},
      {"a dose just over 10000", [](auto& e) { e.dose = 10000.5f; }, "The Dose \"10000.5\" is too large"},
      {"a dose of 1e20", [](auto& e) { e.dose = 1e20f; }, "is too large"},
      {"a negative dose", [](auto& e) { e.dose = -1; }, "The Dose \"-1\" is too small"},
      {"no temperature", [](auto& e) { e.temperature = 0; }, ""},
      {"20 and 45 degrees", [](auto& e) { e.temperature = 45; }, ""},
      {"a temperature of 99", [](auto& e) { e.temperature = 99; }, "The Temperature \"99\" is too large"},
      {"a temperature of 19.5", [](auto& e) { e.temperature = 19.5f; }, "The Temperature \"19.5\" is too small"},
      {"an unusual temperature", [](auto& e) { e.temperature = 29; }, ""},  // advice only
      {"a missed visit without a dose", [](auto& e) { e.condition = Missed; e.dose = 0; }, ""},
      {"a missed visit with a dose", [](auto& e) { e.condition = Missed; }, "A missed visit delivers no dose"},
      {"a time cut short", [](auto& e) { e.time = QStringLiteral("12:  "); }, "The Treatment Time \"12:\""},
      {"no time", [](auto& e) { e.time = QStringLiteral("  :  "); }, ""},
      {"tomorrow", [&](auto& e) { e.when += 1; }, "lies in the future"},
      {"a burn code of 4", [](auto& e) { e.burn = 4; }, "burn grade"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    treatment::TreatmentEntry e = good;
    c.change(e);
    const std::optional<QString> refused = entry::refusalOf(e, today, english);
    if (*c.refusal == 0) {
      EXPECT_FALSE(refused.has_value()) << refused.value_or(QString()).toStdString();
    } else {
      ASSERT_TRUE(refused.has_value());
      EXPECT_TRUE(refused->contains(QLatin1String(c.refusal))) << refused->toStdString();
    }
  }
}

}  // namespace
