#pragma once
// Qt values in test failure messages as a reader wants them: texts quoted, colours as rgb().
#include <QColor>
#include <QString>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QColor& c, std::ostream* os) {
  *os << "rgb(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}
QT_END_NAMESPACE
