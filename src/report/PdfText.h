#pragma once
// How a run of text is written into the PDF file, and so how wide it is.
//
// Letters the standard font Helvetica has are written with it, which PDF viewers supply
// themselves, so nothing is embedded: in the Western European encoding where that holds them, or
// else in the single-byte encoding that holds the longest stretch of them (Central European for
// Slovak, Czech and Polish names, Turkish, Baltic, and the other Latin sets). Letters Helvetica
// lacks (Greek, Cyrillic, rarer Latin letters) are written in the TrueType face Liberation Sans,
// of which only the letters used are embedded, again in a single-byte encoding where one holds
// them, and as Unicode otherwise. Every letter of a name thus comes out whole, and is read back
// whole by text extraction.
//
// Widths come from the same tables libharu writes into the file: Helvetica's for its letters
// (the same as Arial's and Liberation Sans's), the TrueType face's for the others.

#include <QByteArray>
#include <QString>
#include <vector>

#include "report/Fonts.h"

namespace report::pdf_text {

enum class Face { Standard, TrueType };

// A stretch of a run written in one font and one encoding.
struct Piece {
  Face face = Face::Standard;
  const char* encoding = "";  // as libharu names it: "WinAnsiEncoding", "CP1250", ..., "UTF-8"
  QByteArray bytes;           // the stretch in that encoding
  bool operator==(const Piece& o) const;
};

// The pieces of `text` in order; letters below U+0020 are left out.
std::vector<Piece> pieces(const QString& text, const TextStyle& font);

// The advance of one letter in thousandths of the font size.
int width(char32_t letter, const TextStyle& font);

// "Helvetica", "Helvetica-Bold", "Helvetica-Oblique" or "Helvetica-BoldOblique".
const char* standardFontName(const TextStyle& font);

// The TrueType file for letters Helvetica lacks: Liberation Sans (Arial's metrics), or DejaVu
// Sans where that is not installed; empty when neither is.
QString trueTypeFile(const TextStyle& font);

}  // namespace report::pdf_text
