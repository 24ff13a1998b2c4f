#pragma once
// The report's one typeface and how wide its text runs.
//
// The report is set in a sans-serif face with Arial's metrics. Text is measured here, once, with
// the standard PDF font Helvetica's advance widths (the same widths Arial and its free
// metric-compatible twin Liberation Sans have), so that line breaks and alignment come out the
// same on the screen (drawn with Liberation Sans), on paper and in the PDF file (Helvetica, or
// Liberation Sans embedded where Helvetica's encodings cannot hold the letters). Measuring needs
// no display and no font installed.

#include <QString>

namespace report {

struct TextStyle {
  double size = 10;  // points
  bool bold = false;
  bool italic = false;
  bool operator==(const TextStyle&) const = default;
};

inline constexpr double kMmPerPoint = 25.4 / 72.0;
inline constexpr double kMmPerPixel = 25.4 / 96.0;  // one report unit, 1/96 inch

// Vertical metrics of the face as fractions of the font size (Arial's and Liberation Sans's).
inline constexpr double kAscent = 0.905;
inline constexpr double kDescent = 0.212;
inline constexpr double kLineSpacing = 1.15;  // baseline to baseline, leading included

// The advance of `text` set in `font`, in millimetres, as the PDF file writes it (PdfText.h).
double textWidth(const QString& text, const TextStyle& font);

inline double ascent(const TextStyle& f) { return f.size * kMmPerPoint * kAscent; }
inline double descent(const TextStyle& f) { return f.size * kMmPerPoint * kDescent; }
inline double lineSpacing(const TextStyle& f) { return f.size * kMmPerPoint * kLineSpacing; }

}  // namespace report
