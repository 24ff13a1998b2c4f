#pragma once
// Words for a number argument that could not be read. Arguments are read with a point whatever
// the locale, so that a script gives the same result on every machine; a decimal comma is named
// as the slip it is.

#include <QString>
#include <string>

inline std::string pointNumberProblem(const char* option, const QString& value, const char* expected) {
  std::string text = std::string(option) + " \"" + value.toStdString() + "\" is not " + expected;
  if (value.contains(QLatin1Char(','))) text += "; write decimals with a point, not a comma";
  return text;
}
