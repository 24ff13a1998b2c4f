// Numbers written as text and read back, in every locale the program is used in: the digits never
// depend on the C library's locale; only the separator shown to a user is the user's.

#include <gtest/gtest.h>
#include <QLocale>
#include <cstdio>

#include "base/Formats.h"
#include "support/LocaleScope.h"

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

QString commaOrPoint(const char* text) {
  QString t = QString::fromLatin1(text);
  return t.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

TEST(NumberText, FixedFormatsGiveExactDigitsWithTheUsersSeparator) {
  struct Case {
    long double value;
    int width, decimals;
    const char* shown;
  };
  // clang-format off
  const Case cases[] = {
      {601.352007374999971034412737931L, 6, 1, " 601.4"},  // a tone estimate, "%6.1F"
      {420.0L, 5, 0, "  420"},                              // a planned dose, "%5.0F"
      {45.5L, 3, 1, "45.5"},                                // an age, "%3.1F"
      {142.73684210526315L, 0, 2, "142.74"},                // a warning's limit, "%F"
      {0.25L, 0, 1, "0.3"},                                 // exactly half-way: away from zero
      {-0.25L, 0, 1, "-0.3"},
      {2.5L, 0, 0, "3"},
      {-0.04L, 0, 1, "0.0"},                                // no sign on a shown zero
      {99999.95L, 5, 1, "100000.0"},                        // a carry through every digit
      {1e20L, 0, 0, "100000000000000000000"},
      {1e30L, 0, 0, "1000000000000000000024696061952"},     // the extended value's own digits
  };
  // clang-format on
  for (const char* locale : LocaleScope::kNames) {
    const LocaleScope scope(locale);
    SCOPED_TRACE(locale);
    for (const Case& c : cases) EXPECT_EQ(fmt::Fixed(c.value, c.width, c.decimals), commaOrPoint(c.shown)) << c.shown;
    // The largest extended value has thousands of digits and still comes out whole.
    EXPECT_EQ(fmt::Fixed(1.1e4932L, 0, 0).size(), 4933);
    EXPECT_EQ(fmt::Fixed(0.0L / 0.0L, 5, 0), "  NAN");
  }
}

TEST(NumberText, TheToolsFiguresReadTheSameEverywhere) {
  for (const char* locale : LocaleScope::kNames) {
    const LocaleScope scope(locale);
    SCOPED_TRACE(locale);
    EXPECT_EQ(fmt::General(0.1, 17), "0.10000000000000001");
    EXPECT_EQ(fmt::General(601.35200737499997, 17), "601.35200737499997");
    EXPECT_EQ(fmt::General(36.5f, 9), "36.5");
    EXPECT_EQ(fmt::General(1e22, 17), "1e+22");
    EXPECT_EQ(fmt::General(22, 17), "22");
    EXPECT_EQ(fmt::Fixed(45.5L, 3, 1, fmt::Point()), "45.5");
    // What printf writes in that locale, for comparison: the reason none of it is used.
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.1f", 45.5);
    EXPECT_EQ(QString::fromLatin1(printed), commaOrPoint("45.5"));
  }
}

TEST(NumberText, TypedNumbersAreReadWithTheUsersSeparatorOrAPoint) {
  struct Case {
    const char* text;
    bool valid;
    double value;
  };
  for (const char* locale : LocaleScope::kNames) {
    const LocaleScope scope(locale);
    SCOPED_TRACE(locale);
    const bool comma = QLocale().decimalPoint() == QLatin1String(",");
    // clang-format off
    const Case cases[] = {
        {"45.5", true, 45.5},   {"19.9", true, 19.9},  {"  -3", true, -3},   {"+2.", true, 2},
        {".5", true, 0.5},      {"1e3", true, 1000},   {"1E-400", true, 0},  {"45,5", comma, comma ? 45.5 : 0},
        {"1,5e2", comma, comma ? 150.0 : 0.0},             {"", false, 0},       {" ", false, 0},
        {"-", false, 0},        {"1e", false, 0},      {"12a", false, 0},    {"1 ", false, 0},
        {"1e400", false, 0},    {"1.2.3", false, 0},   {"1٫5", false, 0},    {"١٢", false, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
      const fmt::Real r = fmt::parseReal(QString::fromUtf8(c.text));
      EXPECT_EQ(r.valid, c.valid) << '"' << c.text << '"';
      EXPECT_DOUBLE_EQ(r.value, c.value) << '"' << c.text << '"';
    }
    // What is shown reads back as the same number.
    EXPECT_DOUBLE_EQ(fmt::parseReal(fmt::Fixed(45.5L, 3, 1)).value, 45.5);
  }
}

TEST(NumberText, ArgumentsAndOtherProgramsFilesHaveTheirOwnSeparators) {
  for (const char* locale : LocaleScope::kNames) {
    const LocaleScope scope(locale);
    SCOPED_TRACE(locale);
    EXPECT_DOUBLE_EQ(fmt::parsePointReal("45.5").value, 45.5);
    EXPECT_FALSE(fmt::parsePointReal("45,5").valid);
    EXPECT_DOUBLE_EQ(fmt::parseRealPointOrComma("45,5").value, 45.5);
    EXPECT_DOUBLE_EQ(fmt::parseRealPointOrComma("45.5").value, 45.5);
    EXPECT_FALSE(fmt::parseRealPointOrComma("45 years").valid);
    EXPECT_FALSE(fmt::parseRealPointOrComma("1,000.5").valid);
  }
}

TEST(NumberText, LetterCaseOfNamesTheProgramDefinesIgnoresTheLanguage) {
  const LocaleScope turkish("tr_TR.UTF-8");
  EXPECT_EQ(fmt::asciiUpper(QStringLiteral(".jpg")), ".JPG");
  EXPECT_EQ(fmt::asciiLower(QStringLiteral(".JPEG")), ".jpeg");
  EXPECT_EQ(fmt::asciiUpper(QStringLiteral("ıi")), "ıI");  // only a..z change
}

}  // namespace
