#pragma once
// Words for a number argument that could not be read. Arguments are read with a point whatever
// the locale, so that a script gives the same result on every machine; a decimal comma is named
// as the slip it is. Clinical values are held to the same limits as in the window.

#include <QString>
#include <optional>
#include <string>

#include "treatment/ClinicalLimits.h"

inline std::string pointNumberProblem(const char* option, const QString& value, const char* expected) {
  std::string text = std::string(option) + " \"" + value.toStdString() + "\" is not " + expected;
  if (value.contains(QLatin1Char(','))) text += "; write decimals with a point, not a comma";
  return text;
}

// The problem of a clinical value given as `option`, read with a point and held to `limit`; none
// when the value is within it (or empty, when `emptyAllowed`). `what` names the field when its
// label alone does not.
inline std::optional<std::string> clinicalArgumentProblem(const char* option, const limits::Limit& limit,
                                                          const QString& value, bool emptyAllowed = false,
                                                          const QString& what = {}) {
  const limits::Reading r = limits::readPoint(limit, value);
  if (r.accepted() || (r.empty && emptyAllowed)) return std::nullopt;
  // "--age "200" is too large: an age is a number of years from 0 to 120"
  std::string text = std::string(option) + " \"" + value.toStdString() + "\" is ";
  text += r.empty ? std::string("empty") : limits::problemWords(limit, r.problem).toStdString();
  if (!what.isEmpty()) text += " (the " + what.toStdString() + ")";
  text += std::string(": ") + limit.rule;
  if (value.contains(QLatin1Char(','))) text += "; write decimals with a point, not a comma";
  return text;
}
