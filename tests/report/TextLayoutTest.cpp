// Setting text into boxes: line breaks, lines that may not break, underlined blanks, alignment and
// quarter turns.
#include <gtest/gtest.h>

#include "report/TextLayout.h"

using namespace report;

namespace {

const TextStyle kTen{10};

QStringList lineTexts(const std::vector<LaidLine>& lines) {
  QStringList out;
  for (const LaidLine& l : lines) {
    QString text;
    for (const LaidSpan& s : l.spans) text += s.span.text;
    out << text;
  }
  return out;
}

std::vector<TextRun> runs(const Drawing& d) {
  std::vector<TextRun> out;
  for (const Item& i : d.items)
    if (const auto* r = std::get_if<TextRun>(&i.what)) out.push_back(*r);
  return out;
}

}  // namespace

TEST(TextLayout, BreaksLinesAtBlanksAndWordsWiderThanTheLineBetweenLetters) {
  struct Case {
    const char* text;
    const char* fitsIn;  // the line width is this text's width
    QStringList lines;
  };
  // clang-format off
  const Case cases[] = {
      {"alpha beta gamma", "alpha beta", {"alpha beta", "gamma"}},
      {"alpha beta gamma", "alpha beta gamma", {"alpha beta gamma"}},
      {"alpha    beta", "alpha", {"alpha", "beta"}},           // blanks at a break are dropped
      {"  indented line", "  indented line", {"  indented line"}},  // leading blanks stay
      {"Contra-indications", "Contra-ind", {"Contra-ind", "ications"}},
      {"one\n\nthree", "three", {"one", "", "three"}},           // an empty line stays a line
  };
  // clang-format on
  for (const Case& c : cases) {
    const double width = textWidth(QString::fromLatin1(c.fitsIn), kTen);
    EXPECT_EQ(lineTexts(layOut(plainParagraphs(QString::fromLatin1(c.text), kTen), width)), c.lines) << c.text;
  }
}

TEST(TextLayout, UnderlinedBlanksAreKeptWholeAndRuled) {
  Paragraph p;
  p.emptyFont = kTen;
  p.spans = {{QStringLiteral("Sign"), kTen}, {QString(20, ' '), kTen, true}, {QStringLiteral(" Date"), kTen}};
  Drawing d;
  setText(d, {p}, TextBox{QRectF(0, 0, 200, 20)});
  std::vector<Line> rules;
  for (const Item& i : d.items)
    if (const auto* l = std::get_if<Line>(&i.what)) rules.push_back(*l);
  ASSERT_EQ(rules.size(), 1u);
  const double blanks = textWidth(QString(20, ' '), kTen);
  EXPECT_NEAR(rules[0].to.x() - rules[0].from.x(), blanks, 1e-9);
  EXPECT_NEAR(rules[0].from.x(), kPaddingX + textWidth(QStringLiteral("Sign"), kTen), 1e-9);

  // At a break the underlined blanks move to the next line with their word, rather than vanish.
  const double narrow = blanks + 1;
  EXPECT_EQ(lineTexts(layOut({p}, narrow)), QStringList({"Sign", QString(20, ' '), "Date"}));
}

TEST(TextLayout, LinesThatMayNotBreakAreSetSmallerToFit) {
  const QString number = QStringLiteral("123456");
  const double natural = textWidth(number, kTen);
  struct Case {
    double boxWidth;  // inside the padding
    double size;      // the size the line is set at
    const char* shown;
  };
  // clang-format off
  const Case cases[] = {
      {natural + 1, 10, "123456"},         // fits as it is
      {natural * 0.8, 8, "123456"},        // set smaller
      {natural * 0.3, 5, "1\u2026"},      // no smaller than half: cut, and says so
  };
  // clang-format on
  for (const Case& c : cases) {
    Drawing d;
    TextBox box{QRectF(0, 0, c.boxWidth + 2 * kPaddingX, 6)};
    box.wordWrap = false;
    setText(d, plainParagraphs(number, kTen), box);
    const auto r = runs(d);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NEAR(r[0].font.size, c.size, 1e-9) << c.boxWidth;
    EXPECT_EQ(r[0].text, QString::fromUtf8(c.shown));
    EXPECT_LE(r[0].width, c.boxWidth + 1e-9);
  }
}

TEST(TextLayout, TextLeftOutOfItsBoxIsMarkedWithAnEllipsis) {
  // Three lines in a box with room for two: the second ends in an ellipsis, the third is not drawn.
  const QString text = QStringLiteral("first line\nsecond line\nthird line");
  const double width = textWidth(QStringLiteral("second line"), kTen) + 2 * kPaddingX;
  Drawing d;
  setText(d, plainParagraphs(text, kTen), TextBox{QRectF(0, 0, width, 2 * kPaddingY + 2 * lineSpacing(kTen))});
  const auto r = runs(d);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].text, "first line");
  EXPECT_EQ(r[1].text, QString::fromUtf8("second li\u2026"));
  EXPECT_LE(r[1].width, width - 2 * kPaddingX + 1e-9);
}

TEST(TextLayout, AlignsAndTurnsLinesInTheirBox) {
  const QString word = QStringLiteral("right");
  const double w = textWidth(word, kTen);
  struct Case {
    Qt::Alignment align;
    int rotation;
    QPointF origin;
  };
  const QRectF box(10, 20, 30, 12);
  const double up = kPaddingY + ascent(kTen);
  const Case cases[] = {
      {Qt::AlignLeft | Qt::AlignTop, 0, {10 + kPaddingX, 20 + up}},
      {Qt::AlignRight | Qt::AlignTop, 0, {40 - kPaddingX - w, 20 + up}},
      // A quarter turn clockwise (270 anticlockwise): the line runs down from the top-right corner,
      // its letters' tops to the right.
      {Qt::AlignLeft | Qt::AlignTop, 270, {40 - up, 20 + kPaddingX}},
      // Three quarters clockwise (90 anticlockwise): up from the bottom-left corner.
      {Qt::AlignLeft | Qt::AlignTop, 90, {10 + up, 32 - kPaddingX}},
  };
  for (const Case& c : cases) {
    Drawing d;
    TextBox tb{box, c.rotation, c.align};
    setText(d, plainParagraphs(word + QStringLiteral("   "), kTen), tb);  // trailing blanks do not count
    const auto r = runs(d);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NEAR(r[0].origin.x(), c.origin.x(), 1e-9) << c.rotation;
    EXPECT_NEAR(r[0].origin.y(), c.origin.y(), 1e-9) << c.rotation;
    EXPECT_EQ(r[0].rotation, c.rotation);
  }
}
