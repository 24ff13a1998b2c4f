#include "records/PatientFilter.h"

#include "records/Schema.h"

namespace records {
namespace {

int column(const char* name) { return patientTable().indexOf(QString::fromLatin1(name)); }

// The text of a held text column without copying it.
QStringView textOf(const QVariant& v) {
  if (v.typeId() == QMetaType::QString) return *static_cast<const QString*>(v.constData());
  return {};
}

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
      const QVariant c = row.value(completeColumn);
      return !c.isNull() && c.toLongLong() > 0;
    };
  }
  return [hosp, surname](const RowView& row) {
    if (!hosp.isEmpty()) {
      const QVariant h = row.value(hospColumn);
      if (h.isNull() || !textOf(h).startsWith(hosp, Qt::CaseInsensitive)) return false;
    }
    if (!surname.isEmpty()) {
      const QVariant s = row.value(surnameColumn);
      if (s.isNull() || !textOf(s).contains(surname, Qt::CaseInsensitive)) return false;
    }
    return true;
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

bool acceptPatientStatus(const QVariant& complete, std::uint8_t mask) {
  if (complete.isNull()) return true;
  return (complete.toLongLong() & mask) != 0;
}

RowTest patientNhiFilter(const QString& hosp) {
  static const int hospColumn = column("Hosp");
  return [hosp](const RowView& row) {
    const QVariant h = row.value(hospColumn);
    return !h.isNull() && textOf(h).compare(hosp, Qt::CaseInsensitive) == 0;
  };
}

QString patientNhiText(const QString& hosp) { return QStringLiteral("Hosp = '%1'").arg(literal(hosp)); }

}  // namespace records
