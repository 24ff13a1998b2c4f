#include "base/OneLine.h"

namespace text {
namespace {

bool isControl(char16_t u) { return u < 0x20 || (u >= 0x7F && u < 0xA0); }

void appendEscape(QString& out, char16_t u) {
  out += QStringLiteral("\\x%1").arg(static_cast<unsigned>(u), 2, 16, QLatin1Char('0'));
}

void append(QString& out, QStringView value, bool quoted) {
  for (const QChar c : value) {
    const char16_t u = c.unicode();
    switch (u) {
      case u'\\': out += QLatin1String("\\\\"); continue;
      case u'\n': out += QLatin1String("\\n"); continue;
      case u'\r': out += QLatin1String("\\r"); continue;
      case u'\t': out += QLatin1String("\\t"); continue;
      case u'"': out += quoted ? QLatin1String("\\\"") : QLatin1String("\""); continue;
      default: break;
    }
    if (isControl(u)) {
      appendEscape(out, u);
    } else {
      out += c;
    }
  }
}

}  // namespace

QString oneLine(QStringView value) {
  QString out;
  out.reserve(value.size());
  append(out, value, false);
  return out;
}

QString quotedOneLine(QStringView value) {
  QString out;
  out.reserve(value.size() + 2);
  out += u'"';
  append(out, value, true);
  out += u'"';
  return out;
}

QString printable(QStringView value) {
  QString out;
  out.reserve(value.size());
  for (const QChar c : value) {
    const char16_t u = c.unicode();
    if (isControl(u) && u != u'\n' && u != u'\t') {
      appendEscape(out, u);
    } else {
      out += c;
    }
  }
  return out;
}

QString controlsEscaped(QStringView value) {
  QString out;
  out.reserve(value.size());
  for (const QChar c : value) {
    if (isControl(c.unicode())) {
      appendEscape(out, c.unicode());
    } else {
      out += c;
    }
  }
  return out;
}

QString blanked(QStringView value) {
  QString out;
  out.reserve(value.size());
  bool inRun = false;
  for (const QChar c : value) {
    const bool control = isControl(c.unicode());
    if (control && !inRun) out += u' ';
    if (!control) out += c;
    inRun = control;
  }
  return out;
}

}  // namespace text
