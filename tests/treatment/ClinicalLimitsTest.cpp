// The one table of clinical limits: every field just inside and just outside each bound, the
// words of a refusal, and how typed texts are read in the window's locale and the tool's.
#include <gtest/gtest.h>

#include <QLocale>

#include "treatment/ClinicalLimits.h"

namespace {

using limits::Problem;

struct BoundCase {
  const limits::Limit* limit;
  const char* text;
  Problem problem;
};

TEST(ClinicalLimits, EachBoundAndJustBeyondIt) {
  // clang-format off
  const BoundCase cases[] = {
      {&limits::kAge, "0", Problem::None},          {&limits::kAge, "120", Problem::None},
      {&limits::kAge, "-0.1", Problem::TooSmall},   {&limits::kAge, "120.1", Problem::TooLarge},
      {&limits::kAge, "45.5", Problem::None},       {&limits::kAge, "200", Problem::TooLarge},
      {&limits::kMed, "1", Problem::None},          {&limits::kMed, "10000", Problem::None},
      {&limits::kMed, "0", Problem::TooSmall},      {&limits::kMed, "10001", Problem::TooLarge},
      {&limits::kMed, "-358", Problem::TooSmall},   {&limits::kMed, "300.5", Problem::NotWhole},
      {&limits::kDose, "0", Problem::None},         {&limits::kDose, "10000", Problem::None},
      {&limits::kDose, "-0.5", Problem::TooSmall},  {&limits::kDose, "10000.5", Problem::TooLarge},
      {&limits::kTemperature, "0", Problem::None},  // not taken
      {&limits::kTemperature, "20", Problem::None}, {&limits::kTemperature, "45", Problem::None},
      {&limits::kTemperature, "19.9", Problem::TooSmall}, {&limits::kTemperature, "45.1", Problem::TooLarge},
      {&limits::kTemperature, "0.5", Problem::TooSmall},  {&limits::kTemperature, "99", Problem::TooLarge},
      {&limits::kFirstIncrement, "1", Problem::None},     {&limits::kFirstIncrement, "0", Problem::TooSmall},
      {&limits::kFirstIncrement, "-50", Problem::TooSmall},
      {&limits::kIncrement, "-99", Problem::None},  {&limits::kIncrement, "-100", Problem::TooSmall},
      {&limits::kIncrement, "0", Problem::None},    {&limits::kIncrement, "250", Problem::None},
  };
  // clang-format on
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.limit->field << " " << c.text);
    const limits::Reading r = limits::readPoint(*c.limit, QString::fromLatin1(c.text));
    EXPECT_EQ(r.problem, c.problem);
    EXPECT_EQ(r.accepted(), c.problem == Problem::None);
    if (r.accepted()) {
      EXPECT_DOUBLE_EQ(r.value, QString::fromLatin1(c.text).toDouble());
    }
  }
  EXPECT_EQ(&limits::incrementLimit(1), &limits::kFirstIncrement);
  EXPECT_EQ(&limits::incrementLimit(2), &limits::kIncrement);
}

TEST(ClinicalLimits, NumbersTooLongForAnyTypeAreTooLargeNotMalformed) {
  // clang-format off
  const BoundCase cases[] = {
      {&limits::kMed, "99999999999", Problem::TooLarge},  // a whole number, only too large
      {&limits::kMed, "-99999999999", Problem::TooSmall},
      {&limits::kMed, "1e400", Problem::TooLarge},
      {&limits::kAge, "1e400", Problem::TooLarge},
      {&limits::kDose, "1e20", Problem::TooLarge},
      {&limits::kMed, "abc", Problem::NotNumber},
      {&limits::kAge, "abc", Problem::NotNumber},
      {&limits::kAge, "4O", Problem::NotNumber},
  };
  // clang-format on
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.limit->field << " " << c.text);
    EXPECT_EQ(limits::readPoint(*c.limit, QString::fromLatin1(c.text)).problem, c.problem);
  }
}

TEST(ClinicalLimits, RefusalsNameTheFieldTheValueTheRangeAndThatNothingWasStored) {
  const struct {
    const limits::Limit* limit;
    const char* text;
    const char* said;
  } cases[] = {
      {&limits::kMed, "99999999999",
       "The MED \"99999999999\" is too large: the MED is a whole number of mJ/cm2 from 1 to 10000.\n\n"
       "Nothing was stored. Type the MED again."},
      {&limits::kMed, "abc",
       "The MED \"abc\" is not a whole number: the MED is a whole number of mJ/cm2 from 1 to 10000.\n\n"
       "Nothing was stored. Type the MED again."},
      // Letters in the age are refused in the same words as letters in the MED.
      {&limits::kAge, " abc",
       "The Age \"abc\" is not a number: an age is a number of years from 0 to 120.\n\n"
       "Nothing was stored. Type the Age again."},
      {&limits::kAge, "200",
       "The Age \"200\" is too large: an age is a number of years from 0 to 120.\n\n"
       "Nothing was stored. Type the Age again."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const QString typed = QString::fromLatin1(c.text);
    EXPECT_EQ(limits::refusal(*c.limit, typed, limits::readPoint(*c.limit, typed).problem), QString::fromUtf8(c.said));
  }
  EXPECT_EQ(limits::problemText(limits::kIncrement, QStringLiteral("-100"), Problem::TooSmall,
                                QStringLiteral("\"% Inc\" of treatment 5")),
            QStringLiteral("The \"% Inc\" of treatment 5 \"-100\" is too small: a \"% Inc\" is a whole number of "
                           "percent above -100."));
}

TEST(ClinicalLimits, TheWindowReadsItsLocaleAndAPointTheToolAPointOnly) {
  const QLocale german(QLocale::German, QLocale::Germany);
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  const struct {
    const char* text;
    const QLocale* locale;  // none: the tool's reading
    Problem problem;
    double value;
    // clang-format off
  } cases[] = {
      {"36,5", &german, Problem::None, 36.5},       {"36.5", &german, Problem::None, 36.5},
      {"36.5", &english, Problem::None, 36.5},      {"  40", &english, Problem::None, 40},
      {"36,5", &english, Problem::NotNumber, 0},    {"36.5.1", &german, Problem::NotNumber, 0},
      {"36,5", nullptr, Problem::NotNumber, 0},     {"36.5", nullptr, Problem::None, 36.5},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" " << (c.locale ? c.locale->name().toStdString() : "tool"));
    const QString text = QString::fromLatin1(c.text);
    const limits::Reading r =
        c.locale ? limits::read(limits::kTemperature, text, *c.locale) : limits::readPoint(limits::kTemperature, text);
    EXPECT_EQ(r.problem, c.problem);
    EXPECT_DOUBLE_EQ(r.value, c.value);
  }
  for (const char* blank : {"", "   "}) {
    const limits::Reading r = limits::read(limits::kAge, QString::fromLatin1(blank), english);
    EXPECT_TRUE(r.empty);
    EXPECT_FALSE(r.accepted());
    EXPECT_EQ(r.problem, Problem::None);
  }
}

TEST(ClinicalLimits, ADateOfBirthLiesBetween1900AndToday) {
  const QDate today(2026, 12, 10);
  const QLocale german(QLocale::German, QLocale::Germany);
  EXPECT_FALSE(limits::birthDateRefusal(today, today, german));
  EXPECT_FALSE(limits::birthDateRefusal(QDate(1900, 1, 1), today, german));
  const std::optional<QString> future = limits::birthDateRefusal(QDate(2026, 12, 11), today, german);
  ASSERT_TRUE(future);
  EXPECT_TRUE(future->startsWith(QStringLiteral("The date of birth 11.12.2026 is in the future")))
      << future->toStdString();
  const std::optional<QString> early = limits::birthDateRefusal(QDate(1899, 12, 31), today, german);
  ASSERT_TRUE(early);
  EXPECT_TRUE(early->contains(QStringLiteral("before 01.01.1900"))) << early->toStdString();
}

}  // namespace
