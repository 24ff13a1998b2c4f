// Dates as the window and the report write them, and one-line fields as they are stored.
#include <gtest/gtest.h>

#include <QLocale>

#include "base/DateTime.h"
#include "base/OneLine.h"

namespace {

TEST(DateTexts, ShortDatesKeepTheLocalesOrderWithFourDigitYears) {
  const QDate birth(1931, 10, 30);
  const struct {
    QLocale locale;
    const char* shown;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "10/30/1931"},
      {QLocale(QLocale::English, QLocale::UnitedKingdom), "30/10/1931"},
      {QLocale(QLocale::German, QLocale::Germany), "30.10.1931"},
      {QLocale(QLocale::French, QLocale::France), "30/10/1931"},
      {QLocale(QLocale::Slovak, QLocale::Slovakia), "30. 10. 1931"},
      {QLocale(QLocale::Turkish, QLocale::Turkey), "30.10.1931"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    EXPECT_EQ(datetime::shortDate(birth, c.locale), QString::fromUtf8(c.shown));
    EXPECT_TRUE(datetime::shortDateFormat(c.locale).contains(QLatin1String("yyyy")));
    EXPECT_FALSE(datetime::shortDateFormat(c.locale).contains(QLatin1String("yyyyy")));
    EXPECT_TRUE(datetime::shortDateTime(QDateTime(birth, QTime(14, 30)), c.locale).contains(QLatin1String("1931")));
  }
  EXPECT_TRUE(datetime::shortDate(QDate(), QLocale()).isEmpty());
}

TEST(DateTexts, APrintedReportIsDatedInWordsWithoutTheWeekday) {
  const QDate day(2026, 12, 10);
  const struct {
    QLocale locale;
    const char* printed;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "December 10, 2026"},
      {QLocale(QLocale::English, QLocale::UnitedKingdom), "December 10, 2026"},
      {QLocale(QLocale::German, QLocale::Germany), "10. Dezember 2026"},
      {QLocale(QLocale::French, QLocale::France), "10 décembre 2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    EXPECT_EQ(datetime::printedDate(day, c.locale), QString::fromUtf8(c.printed));
  }
}

TEST(OneLineFields, ControlCharactersBecomeSingleBlanks) {
  const struct {
    const char16_t* typed;
    const char16_t* stored;
    // clang-format off
  } cases[] = {
      {u"Anna\tMaria\nSeco", u"Anna Maria Seco"},
      {u"Anna\r\nSeco", u"Anna Seco"},   // a run of them is one blank
      {u"\tSeco\n", u" Seco "},
      {u"O'Brien-Łukasz", u"O'Brien-Łukasz"},  // letters of every script stay
      {u"a\u0085b\u007fc", u"a b c"},  // C1 and DEL too
      {u"", u""},
  };
  // clang-format on
  for (const auto& c : cases) {
    const QString typed = QString::fromUtf16(c.typed);
    SCOPED_TRACE(typed.toStdString());
    EXPECT_EQ(text::blanked(typed), QString::fromUtf16(c.stored));
  }
}

}  // namespace
