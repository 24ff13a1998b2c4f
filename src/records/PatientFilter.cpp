#include "records/PatientFilter.h"

#include "records/Schema.h"

namespace records {
namespace {

int column(const char* name) { return patientTable().indexOf(QString::fromLatin1(name)); }

QString literal(const QString& text) {
  QString escaped = text;
  escaped.replace(u'\'', QStringLiteral("''"));
  return escaped;
}

}  // namespace

RowTest patientSearchFilter(const QString& hosp, const QString& surname) {
  static const int hospColumn = column("Hosp");
  static const int surnameColumn = column("SurN");
  static const int completeColumn = column("Complete");
  if (hosp.isEmpty() && surname.isEmpty()) {
    return [](const RowView& row) {
      const std::optional<qint64> status = row.whole(completeColumn);
      return status && *status > 0;
    };
  }
  return [hosp, surname](const RowView& row) {
    // A null column reads as empty text, which no non-empty text begins with or contains.
    if (!hosp.isEmpty() && !row.textView(hospColumn).startsWith(hosp, Qt::CaseInsensitive)) return false;
    if (!surname.isEmpty() && !row.textView(surnameColumn).contains(surname, Qt::CaseInsensitive)) return false;
    return true;
  };
}

RowsTest patientSearchRows(const QString& hosp, const QString& surname) {
  static const int hospColumn = column("Hosp");
  static const int surnameColumn = column("SurN");
  static const int completeColumn = column("Complete");
  if (hosp.isEmpty() && surname.isEmpty()) {
    return [](const ListIndex& index, std::vector<char>& keep) {
      index.keepWhole(
          completeColumn, [](std::optional<qint64> status) { return status && *status > 0; }, keep);
    };
  }
  // Folded once here, compared as they stand in the index.
  return [hosp = foldedText(hosp), surname = foldedText(surname)](const ListIndex& index, std::vector<char>& keep) {
    index.keepText(hospColumn, hosp, ListIndex::Match::Prefix, keep);
    index.keepText(surnameColumn, surname, ListIndex::Match::Part, keep);
  };
}

QString patientSearchText(const QString& hosp, const QString& surname) {
  if (hosp.isEmpty() && surname.isEmpty()) return QStringLiteral("(Complete > 0)");
  QString text;
  if (!hosp.isEmpty()) text = QStringLiteral("(Hosp LIKE '%1*' )").arg(literal(hosp));
  if (!surname.isEmpty()) {
    if (!text.isEmpty()) text += QStringLiteral(" AND ");
    text += QStringLiteral("(SurN LIKE '*%1*' )").arg(literal(surname));
  }
  return text;
}

bool acceptPatientStatus(std::optional<qint64> complete, std::uint8_t mask) {
  if (!complete) return true;
  return (*complete & mask) != 0;
}

RowsTest patientStatusRows(std::uint8_t mask) {
  static const int completeColumn = column("Complete");
  return [mask](const ListIndex& index, std::vector<char>& keep) {
    index.keepWhole(
        completeColumn, [mask](std::optional<qint64> status) { return acceptPatientStatus(status, mask); }, keep);
  };
}

RowTest patientNhiFilter(const QString& hosp) {
  static const int hospColumn = column("Hosp");
  return [hosp](const RowView& row) {
    return !row.isNull(hospColumn) && row.textView(hospColumn).compare(hosp, Qt::CaseInsensitive) == 0;
  };
}

RowsTest patientNhiRows(const QString& hosp) {
  static const int hospColumn = column("Hosp");
  if (hosp.isEmpty()) return {};
  return [hosp = foldedText(hosp)](const ListIndex& index, std::vector<char>& keep) {
    index.keepText(hospColumn, hosp, ListIndex::Match::Whole, keep);
  };
}

QString patientNhiText(const QString& hosp) { return QStringLiteral("Hosp = '%1'").arg(literal(hosp)); }

}  // namespace records
