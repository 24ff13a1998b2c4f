#include "treatment/TreatmentRecord.h"

QColor responseColour(int code) {
  static const std::array<QColor, 8> table = {
      QColor(255, 255, 255),  // no burn: white
      QColor(192, 192, 192),  // Missed: silver
      QColor(0, 255, 255),    // Worse: aqua
      QColor(255, 251, 240),  // Same: cream
      QColor(0, 255, 0),      // Clearing: lime
      QColor(255, 217, 213),  // Burn I
      QColor(255, 155, 155),  // Burn II
      QColor(255, 47, 47),    // Burn III
  };
  if (code < 0 || code >= static_cast<int>(table.size())) return table[0];
  return table[static_cast<std::size_t>(code)];
}
