// The rules behind the treatment entry dialog's checks, without widgets.
#include <gtest/gtest.h>

#include <QLocale>

#include "treatment/EntryChecks.h"

namespace {

TEST(DoseCheck, WarnsOnlyOutsideFivePercentOfTheExpectedDose) {
  struct Case { float expected, dose; bool differs; };
  const Case cases[] = {
      {200, 191, false}, {200, 209, false},
      {200, 190, false}, {200, 210, false},  // exactly 95% and 105% are accepted
      {200, 189, true},  {200, 211, true},
      {200, 189.99f, true}, {200, 210.01f, true},
      {333, 316.35f, false}, {333, 349.65f, false},  // 95% and 105% of an uneven dose
      {0, 1, true}, {0, 0.01f, true}, {0, 500, true},  // no plan: any positive dose differs
      {200, 0, true}, {200, -5, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expected " << c.expected << ", dose " << c.dose);
    EXPECT_EQ(entry::doseDiffersFromExpected(c.dose, c.expected), c.differs);
  }
}

TEST(TemperatureCheck, AcceptsThirtyToFortyFourInclusive) {
  struct Case { double celsius; bool implausible; };
  const Case cases[] = {{30, false}, {44, false}, {36.5, false}, {29.9, true}, {44.1, true},
                        {0, true},   {-5, true},  {440, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.celsius);
    EXPECT_EQ(entry::temperatureImplausible(c.celsius), c.implausible);
  }
}

TEST(TreatmentTime, TellsEmptyCompleteAndPartialFields) {
  using entry::TimeEntry;
  struct Case { const char* text; TimeEntry kind; };
  const Case cases[] = {
      {"  :  ", TimeEntry::Empty},    {"", TimeEntry::Empty},
      {" 5:30", TimeEntry::Complete}, {"12:05", TimeEntry::Complete}, {"00:00", TimeEntry::Complete},
      {" 5:3 ", TimeEntry::Partial},  {"  :30", TimeEntry::Partial},  {"5 :30", TimeEntry::Partial},
      {"1 :  ", TimeEntry::Partial},  {" 5:  ", TimeEntry::Partial},  {"12:", TimeEntry::Partial},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(entry::classifyTreatmentTime(QString::fromLatin1(c.text)), c.kind);
  }
}

TEST(TreatmentTime, BringsStoredTimesIntoTheFieldsForm) {
  struct Case { const char* stored; const char* field; };
  const Case cases[] = {
      {" 5:30", " 5:30"}, {"12:05", "12:05"}, {"  :  ", "  :  "},  // the field's own texts
      {"5:30", " 5:30"},  {"", "  :  "},     {"5 :30", " 5:30"},   // blanks stripped or misplaced
      {" 5:3", " 5:3 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(entry::treatmentTimeForField(QString::fromLatin1(c.stored)), QString::fromLatin1(c.field));
  }
}

TEST(NumberEntry, ReadsPointAndLocaleSeparatorAndTellsEmptyFromGarbage) {
  using entry::Reading;
  const QLocale comma(QLocale::German, QLocale::Germany);
  const QLocale point(QLocale::English, QLocale::UnitedKingdom);
  struct Case { const char* text; const QLocale* locale; Reading reading; double value; };
  const Case cases[] = {
      {"36,5", &comma, Reading::Number, 36.5},   {"36.5", &comma, Reading::Number, 36.5},
      {"36.5", &point, Reading::Number, 36.5},   {"  200", &point, Reading::Number, 200},
      {"-3", &point, Reading::Number, -3},       {"2e2", &point, Reading::Number, 200},
      {"", &point, Reading::Empty, 0},           {"     ", &point, Reading::Empty, 0},
      {"abc", &point, Reading::NotNumber, 0},    {"20o", &point, Reading::NotNumber, 0},
      {"36,5", &point, Reading::NotNumber, 0},   {"36.5.1", &comma, Reading::NotNumber, 0},
      {"1e39", &point, Reading::NotNumber, 0},   // too large for the record's float
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" in " << c.locale->name().toStdString());
    const entry::NumberEntry e = entry::readNumber(QString::fromLatin1(c.text), *c.locale);
    EXPECT_EQ(e.reading, c.reading);
    EXPECT_DOUBLE_EQ(e.value, c.value);
  }
}

}  // namespace
