#pragma once
// Setting text into a box: paragraphs of spans broken into lines at blanks, aligned, turned by a
// quarter turn where the box asks for it, and written into a drawing as text runs (and rules
// under underlined spans). A line that may not break is set smaller, down to half its size, until
// it fits. Text that still does not fit is left out by whole lines and letters, and the last line
// shown ends in an ellipsis.

#include <QColor>
#include <QRectF>
#include <QString>
#include <vector>

#include "report/DisplayList.h"
#include "report/Fonts.h"

namespace report {

struct Span {
  QString text;
  TextStyle font;
  bool underline = false;  // underlined blanks are kept whole and never broken
  QColor colour = Qt::black;
};

struct Paragraph {
  std::vector<Span> spans;  // an empty paragraph is an empty line of `emptyFont`
  TextStyle emptyFont;
};

// Plain text in one font: each line (split at line feeds; carriage returns dropped) a paragraph.
std::vector<Paragraph> plainParagraphs(const QString& text, const TextStyle& font, const QColor& colour = Qt::black);

// The blank between a box's edges and its text (2 and 1 report units).
inline constexpr double kPaddingX = 2 * kMmPerPixel;
inline constexpr double kPaddingY = 1 * kMmPerPixel;

struct TextBox {
  QRectF box;        // millimetres
  int rotation = 0;  // 0, 90, 180 or 270 degrees anticlockwise
  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
  bool wordWrap = true;  // otherwise each line stays whole, set smaller where it is too wide
};

// One line as laid out: spans at their offsets from the line's start.
struct LaidSpan {
  Span span;
  double x = 0;
  double width = 0;
};
struct LaidLine {
  std::vector<LaidSpan> spans;
  double width = 0;   // up to the end of the last letter that is not a blank
  double ascent = 0;  // the tallest span's
  double height = 0;  // baseline to next baseline
};

// Breaks paragraphs into lines no wider than `width` (no limit when `width` <= 0).
std::vector<LaidLine> layOut(const std::vector<Paragraph>& paragraphs, double width);

// Sets `paragraphs` into `box` and appends the runs to `out`.
void setText(Drawing& out, const std::vector<Paragraph>& paragraphs, const TextBox& box);

}  // namespace report
