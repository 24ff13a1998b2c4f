#include "records/PatientSearch.h"

#include <QChar>

#include "records/Connection.h"
#include "records/Database.h"
#include "records/ListIndex.h"
#include "records/PostgresBackend.h"
#include "records/Schema.h"
#include "records/ServerTrail.h"

namespace records {
namespace {

// Every character the program's folding changes, and what it becomes, as two texts of equal
// length in characters: the arguments of the server's translate().
std::pair<QString, QString> foldingTable() {
  QString from, to;
  const auto add = [](QString& text, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
      text += QChar(QChar::highSurrogate(c));
      text += QChar(QChar::lowSurrogate(c));
    } else {
      text += QChar(static_cast<char16_t>(c));
    }
  };
  for (char32_t c = 1; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // no character of a server's text
    const char32_t folded = QChar::toCaseFolded(c);
    if (folded == c) continue;
    add(from, c);
    add(to, folded);
  }
  return {from, to};
}

// A LIKE pattern's text matched as it is: the escape character (a backslash), % and _ escaped.
QString likeLiteral(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c == u'\\' || c == u'%' || c == u'_') out += u'\\';
    out += c;
  }
  return out;
}

}  // namespace

QStringList serverSearchStatements(const QString& schema, const QString& role) {
  const auto [from, to] = foldingTable();
  const QString s = quotedSchema(schema);
  // Neither text holds a quote (only letters fold), so they stand in the statement as they are.
  // clang-format off
  return {
      // With the settings every function of the store has; an index on it serves the searches
      // that call it by the same name.
      QStringLiteral("CREATE OR REPLACE FUNCTION %1.halcyra_fold(t text) RETURNS text LANGUAGE sql IMMUTABLE "
                     "PARALLEL SAFE SET search_path = pg_catalog, pg_temp "
                     "AS $fold$ SELECT pg_catalog.translate(COALESCE(t, ''), '%2', '%3') $fold$")
          .arg(s, from, to),
      QStringLiteral("REVOKE ALL ON FUNCTION %1.halcyra_fold(text) FROM PUBLIC").arg(s),
      QStringLiteral("GRANT EXECUTE ON FUNCTION %1.halcyra_fold(text) TO %2").arg(s, quotedSchema(role)),
      // pg_trgm in a schema of its own that nobody else may use, unless the database has it already
      // (its index operators need no rights of whoever searches).
      QStringLiteral("DO $do$\n"
                     "DECLARE ext text;\n"
                     "BEGIN\n"
                     "  SELECT n.nspname INTO ext FROM pg_catalog.pg_extension e\n"
                     "    JOIN pg_catalog.pg_namespace n ON n.oid = e.extnamespace WHERE e.extname = 'pg_trgm';\n"
                     "  IF ext IS NULL THEN\n"
                     "    CREATE SCHEMA IF NOT EXISTS halcyra_trgm;\n"
                     "    REVOKE ALL ON SCHEMA halcyra_trgm FROM PUBLIC;\n"
                     "    CREATE EXTENSION pg_trgm SCHEMA halcyra_trgm;\n"
                     "    ext := 'halcyra_trgm';\n"
                     "  END IF;\n"
                     "  EXECUTE pg_catalog.format('CREATE INDEX IF NOT EXISTS \"PatientFoldedSurname\" ON %1.\"Patient\" '\n"
                     "    'USING gin (%1.halcyra_fold(\"SurN\") %I.gin_trgm_ops)', ext);\n"
                     "END\n"
                     "$do$").arg(s),
      QStringLiteral("CREATE INDEX IF NOT EXISTS \"PatientFoldedNHI\" ON %1.\"Patient\" USING spgist (%1.halcyra_fold(\"Hosp\"))")
          .arg(s),
      QStringLiteral("CREATE INDEX IF NOT EXISTS \"PatientStatus\" ON %1.\"Patient\" (\"Complete\")").arg(s),
      QStringLiteral("CREATE INDEX IF NOT EXISTS \"PatientOrder\" ON %1.\"Patient\" (\"InsertOrder\")").arg(s),
  };
  // clang-format on
}

void upgradeServerSearch(PostgresBackend& server) {
  const Rows state =
      server.select(QStringLiteral("SELECT pg_catalog.current_schema()::text, "
                                   "EXISTS (SELECT FROM pg_catalog.pg_proc p WHERE p.proname = 'halcyra_fold' "
                                   "        AND p.pronamespace = (SELECT oid FROM pg_catalog.pg_namespace WHERE "
                                   "nspname = pg_catalog.current_schema())), "
                                   "EXISTS (SELECT FROM pg_catalog.pg_class c WHERE c.relname = 'Patient' "
                                   "        AND c.relnamespace = (SELECT oid FROM pg_catalog.pg_namespace WHERE "
                                   "nspname = pg_catalog.current_schema()) "
                                   "        AND pg_catalog.pg_has_role(c.relowner, 'USAGE')), "
                                   "EXISTS (SELECT FROM pg_catalog.pg_available_extensions WHERE name = 'pg_trgm')"),
                    {}, nullptr);
  if (state.empty() || state.front()[0].isNull()) return;
  const auto& row = state.front();
  if (row[1].toBool() || !row[2].toBool() || !row[3].toBool()) return;
  const LongWork longWork(server);
  inTransaction(server, QStringLiteral("BEGIN"), [&] {
    server.script(QStringLiteral("SET LOCAL statement_timeout = 0"));
    // One upgrade at a time; the second finds the first's work done.
    server.script(QStringLiteral("SELECT pg_catalog.pg_advisory_xact_lock(1212238915, 3)"));
    for (const QString& sql : serverSearchStatements(row[0].toString(), QString::fromLatin1(kClinicRole)))
      server.script(sql);
  });
}

QString trigramAdvice() {
  return QStringLiteral(
      "the server lacks the trigram extension pg_trgm, which the patient search's index needs: "
      "install PostgreSQL's contrib modules on the server (Debian: postgresql-contrib, part of "
      "postgresql-15), or as the server's administrator run CREATE EXTENSION pg_trgm in the "
      "database; then run init-db again");
}

bool serverAnswersSearches(Connection& connection) {
  if (!connection.dialect().server) return false;
  const auto rows = connection.query(
      QStringLiteral("SELECT 1 FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
                     "WHERE p.proname = 'halcyra_fold' AND n.nspname = pg_catalog.current_schema()"),
      {}, QStringLiteral("ask whether the database answers searches"));
  return !rows.empty();
}

bool serverCanSearch(const QString& hosp, const QString& surname) {
  const auto whole = [](const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
      const char16_t u = text[i].unicode();
      if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        ++i;
      } else if (QChar::isSurrogate(u)) {
        return false;
      }
    }
    return true;
  };
  return whole(hosp) && whole(surname);
}

SearchStatement patientSearchStatement(const QString& hosp, const QString& surname, std::uint8_t mask) {
  SearchStatement st;
  QStringList where;
  if (hosp.isEmpty() && surname.isEmpty()) where << QStringLiteral("\"Complete\" > 0");
  if (!hosp.isEmpty()) {
    where << QStringLiteral("halcyra_fold(\"Hosp\") ^@ ?");
    st.values << foldedText(hosp);
  }
  if (!surname.isEmpty()) {
    where << QStringLiteral("halcyra_fold(\"SurN\") LIKE ?");
    st.values << QStringLiteral("%") + likeLiteral(foldedText(surname)) + QStringLiteral("%");
  }
  if (mask != 7) {
    // The status values that share a bit with the mask, written out: the index on the status
    // finds them; a status never computed is kept.
    QStringList values;
    for (int v = 1; v <= 255; ++v) {
      if ((v & mask) != 0) values << QString::number(v);
    }
    where << (values.isEmpty()
                  ? QStringLiteral("\"Complete\" IS NULL")
                  : QStringLiteral("(\"Complete\" IS NULL OR \"Complete\" IN (%1))").arg(values.join(u',')));
  }
  st.sql = QStringLiteral("SELECT \"InsertOrder\", \"Hosp\" FROM \"Patient\" WHERE %1 ORDER BY \"InsertOrder\"")
               .arg(where.join(QStringLiteral(" AND ")));
  return st;
}

}  // namespace records
