#include "records/PatientLookup.h"

namespace records {

bool ValidNHI(const QString& text, const std::string& pattern) {
  if (text.size() != static_cast<qsizetype>(pattern.size())) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    switch (pattern[static_cast<std::size_t>(i)]) {
      case '0':
        if (c < u'0' || c > u'9') return false;
        break;
      case 'L':
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) return false;
        break;
      default: break;
    }
  }
  return true;
}

std::uint8_t statusMask(bool current, bool pending, bool complete) {
  return static_cast<std::uint8_t>((current ? 1 : 0) | (pending ? 2 : 0) | (complete ? 4 : 0));
}

}  // namespace records
