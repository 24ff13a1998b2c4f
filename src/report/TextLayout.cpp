#include "report/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace report {

namespace {

constexpr double kSlack = 1e-6;  // millimetres: widths that agree to this fit
constexpr double kSmallestShrink = 0.5;

struct Token {
  int span = 0;
  QString text;
  bool blank = false;  // a run of blanks a line may break at
};

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Words and breakable blanks of a paragraph, in order. Underlined blanks belong to their word.
std::vector<Token> tokens(const Paragraph& p) {
  std::vector<Token> out;
  for (int s = 0; s < static_cast<int>(p.spans.size()); ++s) {
    const Span& span = p.spans[static_cast<std::size_t>(s)];
    for (const QChar c : span.text) {
      const QChar shown = c == QLatin1Char('\t') ? QLatin1Char(' ') : c;
      const bool blank = isBlank(c) && !span.underline;
      if (out.empty() || out.back().span != s || out.back().blank != blank) out.push_back(Token{s, {}, blank});
      out.back().text.append(shown);
    }
  }
  return out;
}

double widthOf(const Paragraph& p, const Token& t) {
  return textWidth(t.text, p.spans[static_cast<std::size_t>(t.span)].font);
}

// The longest start of `text` that fits in `width` (at least one letter).
int fittingLetters(const QString& text, const TextStyle& font, double width) {
  int n = 1;
  while (n < text.size() && textWidth(text.left(n + 1), font) <= width + kSlack) ++n;
  if (n < text.size() && text.at(n - 1).isHighSurrogate()) ++n;
  return n;
}

LaidLine finish(const Paragraph& p, const std::vector<Token>& line) {
  LaidLine out;
  // Consecutive pieces of one span become one run.
  int lastSpan = -1;
  for (const Token& t : line) {
    if (t.span == lastSpan) {
      out.spans.back().span.text += t.text;
      continue;
    }
    Span s = p.spans[static_cast<std::size_t>(t.span)];
    s.text = t.text;
    out.spans.push_back(LaidSpan{std::move(s), 0, 0});
    lastSpan = t.span;
  }
  double x = 0;
  for (LaidSpan& s : out.spans) {
    s.x = x;
    s.width = textWidth(s.span.text, s.span.font);
    x += s.width;
    // Blanks at the end do not count towards the line's width unless they are underlined.
    QString shown = s.span.text;
    if (!s.span.underline)
      while (!shown.isEmpty() && isBlank(shown.back())) shown.chop(1);
    if (!shown.isEmpty())
      out.width = s.x + (shown.size() == s.span.text.size() ? s.width : textWidth(shown, s.span.font));
  }
  const TextStyle* tallest = nullptr;
  for (const LaidSpan& s : out.spans)
    if (!tallest || s.span.font.size > tallest->size) tallest = &s.span.font;
  const TextStyle lineFont = tallest ? *tallest : (p.spans.empty() ? p.emptyFont : p.spans.front().font);
  out.ascent = ascent(lineFont);
  out.height = lineSpacing(lineFont);
  return out;
}

// Ends the line in an ellipsis, taking letters off its end until the two fit in `width`.
void endWithEllipsis(LaidLine& line, double width) {
  const QString mark(QChar(0x2026));
  while (!line.spans.empty()) {
    LaidSpan& last = line.spans.back();
    QString& text = last.span.text;
    if (!last.span.underline)
      while (!text.isEmpty() && isBlank(text.back())) text.chop(1);
    const double w = textWidth(text + mark, last.span.font);
    if (last.x + w <= width + kSlack || (text.isEmpty() && line.spans.size() == 1)) {
      text += mark;
      last.width = w;
      line.width = last.x + w;
      return;
    }
    if (text.isEmpty()) {
      line.spans.pop_back();
      continue;
    }
    text.chop(text.size() > 1 && text.back().isLowSurrogate() ? 2 : 1);
  }
}

}  // namespace

std::vector<Paragraph> plainParagraphs(const QString& text, const TextStyle& font, const QColor& colour) {
  QString clean = text;
  clean.remove(QLatin1Char('\r'));
  std::vector<Paragraph> out;
  for (const QString& line : clean.split(QLatin1Char('\n'))) {
    Paragraph p;
    p.emptyFont = font;
    p.spans.push_back(Span{line, font, false, colour});
    out.push_back(std::move(p));
  }
  return out;
}

std::vector<LaidLine> layOut(const std::vector<Paragraph>& paragraphs, double width) {
  std::vector<LaidLine> lines;
  for (const Paragraph& p : paragraphs) {
    std::vector<Token> line;
    std::vector<Token> blanks;  // waiting for the next word on the same line
    double lineWidth = 0;
    auto flush = [&] {
      lines.push_back(finish(p, line));
      line.clear();
      lineWidth = 0;
    };
    for (Token& t : tokens(p)) {
      if (t.blank) {
        blanks.push_back(std::move(t));
        continue;
      }
      double blankWidth = 0;
      for (const Token& b : blanks) blankWidth += widthOf(p, b);
      double w = widthOf(p, t);
      if (width > 0 && !line.empty() && lineWidth + blankWidth + w > width + kSlack) {
        flush();  // the blanks at the break are dropped
      } else {
        for (Token& b : blanks) line.push_back(std::move(b));
        lineWidth += blankWidth;
      }
      blanks.clear();
      // A word wider than the whole line is broken between letters.
      const TextStyle& font = p.spans[static_cast<std::size_t>(t.span)].font;
      while (width > 0 && line.empty() && w > width + kSlack && t.text.size() > 1) {
        const int n = fittingLetters(t.text, font, width);
        if (n >= t.text.size()) break;
        line.push_back(Token{t.span, t.text.left(n), false});
        flush();
        t.text = t.text.mid(n);
        w = widthOf(p, t);
      }
      lineWidth += w;
      line.push_back(std::move(t));
    }
    for (Token& b : blanks) line.push_back(std::move(b));  // kept, though they show nothing
    flush();
  }
  return lines;
}

void setText(Drawing& out, const std::vector<Paragraph>& paragraphs, const TextBox& tb) {
  const QRectF& box = tb.box;
  const int rotation = ((tb.rotation % 360) + 360) % 360;
  const bool across = rotation == 90 || rotation == 270;
  const double frameWidth = across ? box.height() : box.width();
  const double frameHeight = across ? box.width() : box.height();

  // The frame's axes on the page: u along the lines, v down from one line to the next.
  const double r = rotation * M_PI / 180.0;
  const QPointF u(std::round(std::cos(r)), -std::round(std::sin(r)));
  const QPointF v(std::round(std::sin(r)), std::round(std::cos(r)));
  QPointF origin = box.topLeft();
  if (rotation == 90) origin = box.bottomLeft();
  if (rotation == 180) origin = box.bottomRight();
  if (rotation == 270) origin = box.topRight();
  auto page = [&](double along, double down) { return origin + along * u + down * v; };

  const double inner = frameWidth - 2 * kPaddingX;
  std::vector<LaidLine> lines = layOut(paragraphs, tb.wordWrap ? inner : 0);
  // A line that may not break is set smaller until it fits (down to half its size), so that a long
  // number keeps all its digits.
  if (!tb.wordWrap && inner > 0) {
    for (LaidLine& l : lines) {
      if (l.width <= inner + kSlack) continue;
      const double factor = std::max(kSmallestShrink, inner / l.width);
      for (LaidSpan& s : l.spans) {
        s.span.font.size *= factor;
        s.x *= factor;
        s.width *= factor;
      }
      l.width *= factor;
    }
  }
  double total = 0;
  for (const LaidLine& l : lines) total += l.height;

  double top = kPaddingY;
  if (tb.align & Qt::AlignVCenter) top = (frameHeight - total) / 2;
  if (tb.align & Qt::AlignBottom) top = frameHeight - kPaddingY - total;

  // The lines whose baselines lie in the box show (the first always); the others are left out
  // whole rather than shown cut in half over whatever lies below. Where text is left out, or a
  // line is still too wide, its last line shown ends in an ellipsis, so that the reader knows.
  std::size_t shown = 0;
  for (double baseline = top; shown < lines.size(); ++shown) {
    baseline += (shown ? lines[shown - 1].height - lines[shown - 1].ascent : 0) + lines[shown].ascent;
    if (shown > 0 && baseline > frameHeight + kSlack) break;
  }
  if (shown < lines.size()) endWithEllipsis(lines[shown - 1], inner);
  lines.resize(shown);
  for (LaidLine& l : lines)
    if (l.width > inner + kSlack) endWithEllipsis(l, inner);

  // What still sticks out (a first line taller than its box) is cut at the box's edges, except
  // that the letters of a line whose baseline lies in the box keep their descenders.
  double lastBaseline = top, below = 0;
  for (const LaidLine& l : lines) {
    below = std::max(below, l.ascent * (kDescent / kAscent));
    if (&l != &lines.back()) lastBaseline += l.height;
  }
  if (!lines.empty()) lastBaseline += lines.back().ascent;
  bool overflows = top < 0 || lastBaseline > frameHeight + kSlack;
  for (const LaidLine& l : lines) overflows = overflows || l.width > inner + kSlack;
  const int clip = overflows ? out.addClip([&] {
    QPainterPath p;
    p.addRect(across ? box.adjusted(-below, 0, below, 0) : box.adjusted(0, -below, 0, below));
    return p;
  }())
                             : -1;

  for (const LaidLine& l : lines) {
    const double baseline = top + l.ascent;
    double left = kPaddingX;
    if (tb.align & Qt::AlignHCenter) left = (frameWidth - l.width) / 2;
    if (tb.align & Qt::AlignRight) left = frameWidth - kPaddingX - l.width;
    for (const LaidSpan& s : l.spans) {
      if (s.span.text.isEmpty()) continue;
      const double x = left + s.x;
      out.add(
          TextRun{page(x, baseline), s.span.text, s.span.font, s.span.colour, static_cast<double>(rotation), s.width},
          clip);
      if (s.span.underline) {
        const double size = s.span.font.size * kMmPerPoint;
        const double below = baseline + 0.106 * size;
        Stroke stroke;
        stroke.colour = s.span.colour;
        stroke.width = 0.073 * size;
        stroke.cap = Qt::FlatCap;
        out.add(Line{page(x, below), page(x + s.width, below), stroke}, clip);
      }
    }
    top += l.height;
  }
}

}  // namespace report
