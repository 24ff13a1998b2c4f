#include "records/TrailState.h"

#include <QSet>

#include "records/AuditChain.h"
#include "records/AuditTrail.h"
#include "records/Database.h"
#include "records/PostgresBackend.h"
#include "records/ServerTrail.h"
#include "records/StoreBackend.h"

namespace records {
namespace {

// Entries chained at once while an earlier version's trail is brought up.
constexpr int kChainPage = 1000;

QSet<QString> namesOf(const Rows& rows) {
  QSet<QString> names;
  for (const auto& row : rows) names.insert(row.front().toString());
  return names;
}

QSet<QString> listOf(const QVariant& commaSeparated) {
  QSet<QString> names;
  for (const QString& n : commaSeparated.toString().split(u',', Qt::SkipEmptyParts)) names.insert(n);
  return names;
}

}  // namespace

TrailState inspectFileTrail(StoreBackend& file) {
  TrailState state;
  const QSet<QString> tables = namesOf(file.select(
      QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('Patient', 'PatientChange', "
                     "'Audit', 'AuditHead')"),
      {}, nullptr));
  if (!tables.contains(QStringLiteral("Patient"))) return state;
  state.hasJournal = tables.contains(QStringLiteral("PatientChange"));
  state.hasTable = tables.contains(QStringLiteral("Audit"));
  const bool head = tables.contains(QStringLiteral("AuditHead"));
  const Rows version = file.select(QStringLiteral("PRAGMA user_version"), {}, nullptr);
  const bool marked = !version.empty() && version.front().front().toInt() >= kChainedTrailVersion;
  const bool hashed =
      state.hasTable &&
      !file.select(QStringLiteral("SELECT 1 FROM pragma_table_info('Audit') WHERE name = 'Hash'"), {}, nullptr).empty();
  const QSet<QString> triggers = namesOf(file.select(
      QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name IN ('Audit', 'AuditHead')"),
      {}, nullptr));

  state.kind = TrailState::Kind::Damaged;
  if (!state.hasTable && (marked || head)) {
    state.found =
        QStringLiteral("the table Audit, the audit trail, is missing from a database that had one: it was removed");
  } else if (!marked && !head && (!state.hasTable || !hashed)) {
    state.kind = TrailState::Kind::Earlier;
  } else if (!hashed) {
    state.found = QStringLiteral("the entries of the audit trail have no hashes: the table Audit was made anew");
  } else if (!head) {
    state.found = QStringLiteral("the table AuditHead, which names the newest audit entry, is missing");
  } else {
    for (const QString& name : fileTrailTriggerNames()) {
      if (!triggers.contains(name)) {
        state.found = QStringLiteral("the trigger %1 that keeps the audit trail is missing: it was removed").arg(name);
        break;
      }
    }
    if (state.found.isEmpty()) state.kind = TrailState::Kind::Kept;
  }
  return state;
}

TrailState inspectServerTrail(StoreBackend& server) {
  TrailState state;
  const Rows rows = server.select(
      QStringLiteral(
          "SELECT pg_catalog.current_schema(),"
          " pg_catalog.to_regclass(pg_catalog.format('%I.%I', pg_catalog.current_schema(), 'Audit')) IS NOT NULL,"
          " pg_catalog.to_regclass(pg_catalog.format('%I.%I', pg_catalog.current_schema(), 'AuditHead')) IS NOT NULL,"
          " pg_catalog.to_regclass(pg_catalog.format('%I.%I', pg_catalog.current_schema(), 'PatientChange')) IS NOT "
          "NULL,"
          " EXISTS (SELECT 1 FROM pg_catalog.pg_attribute a WHERE a.attrelid = "
          "pg_catalog.to_regclass(pg_catalog.format("
          "'%I.%I', pg_catalog.current_schema(), 'Audit')) AND a.attname = 'Hash' AND NOT a.attisdropped),"
          " (SELECT pg_catalog.string_agg(c.relname || '.' || t.tgname, ',') FROM pg_catalog.pg_trigger t"
          "   JOIN pg_catalog.pg_class c ON c.oid = t.tgrelid"
          "   WHERE c.relnamespace = n.oid AND NOT t.tgisinternal AND t.tgenabled <> 'D'),"
          " (SELECT pg_catalog.string_agg(p.proname, ',') FROM pg_catalog.pg_proc p WHERE p.pronamespace = n.oid),"
          " (SELECT pg_catalog.string_agg(p.proname, ',') FROM pg_catalog.pg_proc p WHERE p.pronamespace = n.oid"
          "   AND '%1' = ANY (p.proconfig)),"
          " (SELECT pg_catalog.pg_has_role(c.relowner, 'USAGE') FROM pg_catalog.pg_class c"
          "   WHERE c.oid = pg_catalog.to_regclass(pg_catalog.format('%I.%I', pg_catalog.current_schema(), 'Patient')))"
          " FROM pg_catalog.pg_namespace n WHERE n.nspname = pg_catalog.current_schema()")
          .arg(QLatin1String(kFunctionSearchPath)),
      {}, nullptr);
  if (rows.empty() || rows.front()[8].isNull()) return state;  // no Patient table here
  const auto& r = rows.front();
  state.schema = r[0].toString();
  state.hasTable = r[1].toBool();
  const bool head = r[2].toBool();
  state.hasJournal = r[3].toBool();
  const bool hashed = r[4].toBool();
  const QSet<QString> triggers = listOf(r[5]);
  const QSet<QString> functions = listOf(r[6]);
  const QSet<QString> safe = listOf(r[7]);
  state.mayUpgrade = r[8].toBool();

  state.kind = TrailState::Kind::Damaged;
  if ((!state.hasTable && !head && !functions.contains(QStringLiteral("AuditChained"))) ||
      (state.hasTable && !hashed && !head)) {
    state.kind = TrailState::Kind::Earlier;
  } else if (!state.hasTable) {
    state.found =
        QStringLiteral("the table Audit, the audit trail, is missing from a database that had one: it was removed");
  } else if (!hashed) {
    state.found = QStringLiteral("the entries of the audit trail have no hashes: the table Audit was made anew");
  } else if (!head) {
    state.found = QStringLiteral("the table AuditHead, which names the newest audit entry, is missing");
  } else {
    for (const auto& [table, trigger] : serverTriggerNames()) {
      if (!triggers.contains(table + u'.' + trigger)) {
        state.found = QStringLiteral(
                          "the trigger %1 on the table %2, which keeps the audit trail, is missing or "
                          "disabled: changes may have been made without their entries")
                          .arg(trigger, table);
        break;
      }
    }
    if (state.found.isEmpty()) {
      for (const QString& function : serverFunctionNames()) {
        if (!safe.contains(function)) {
          state.found = QStringLiteral(
                            "the function %1 of the audit trail is missing or runs without its fixed search "
                            "path: it was replaced")
                            .arg(function);
          break;
        }
      }
    }
    if (state.found.isEmpty()) state.kind = TrailState::Kind::Kept;
  }
  return state;
}

void upgradeFileTrail(StoreBackend& file) {
  inTransaction(file, QStringLiteral("BEGIN IMMEDIATE"), [&] {
    // Another copy may have brought the store up while this one waited for the write lock.
    const TrailState state = inspectFileTrail(file);
    if (state.kind != TrailState::Kind::Earlier) return;
    if (!state.hasJournal) {
      for (const QString& sql : journalStatements(sqliteDialect())) file.execute(sql, {});
    }
    const QStringList trail = auditTableStatements(sqliteDialect());
    if (!state.hasTable) {
      for (const QString& sql : trail) file.execute(sql, {});
    } else {
      // Entries of an earlier version: the columns of this one, then the chain over them, oldest
      // first, written before the triggers that refuse every change of an entry are put on.
      for (const QString& name : fileTrailTriggerNames()) {
        file.execute(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(quoted(name)), {});
      }
      for (const char* column : {"Login", "Client", "Hash"}) {
        file.execute(QStringLiteral("ALTER TABLE \"Audit\" ADD COLUMN \"%1\" TEXT").arg(QLatin1String(column)), {});
      }
      for (const QString& sql : trail.mid(2)) file.execute(sql, {});  // the head
      const auto [columns, select] = auditColumns();
      const QString order = QStringLiteral(" ORDER BY \"AuditID\" LIMIT %1").arg(kChainPage);
      QString previous;
      std::optional<qint64> after;
      for (;;) {
        const Rows rows =
            after ? file.select(select + QStringLiteral(" WHERE \"AuditID\" > ?") + order, {*after}, &columns)
                  : file.select(select + order, {}, &columns);
        for (const auto& row : rows) {
          previous = auditHash(previous, row);
          file.execute(QStringLiteral("UPDATE \"Audit\" SET \"Hash\" = ? WHERE \"AuditID\" = ?"), {previous, row[0]});
          after = row[0].toLongLong();
        }
        if (static_cast<int>(rows.size()) < kChainPage) break;
      }
      file.execute(QStringLiteral("UPDATE \"AuditHead\" SET \"AuditID\" = ?, \"Hash\" = ?"),
                   {after.value_or(0), previous});
    }
    for (const QString& sql : fileTrailTriggers()) file.execute(sql, {});
    file.execute(QStringLiteral("PRAGMA user_version = %1").arg(kChainedTrailVersion), {});
  });
}

void upgradeServerTrail(PostgresBackend& server) {
  // Chaining a large trail is one long statement: neither side gives up on it.
  const LongWork longWork(server);
  inTransaction(server, QStringLiteral("BEGIN"), [&] {
    server.script(QStringLiteral("SET LOCAL statement_timeout = 0"));
    // One upgrade at a time; the second finds the first's work done.
    server.script(QStringLiteral("SELECT pg_catalog.pg_advisory_xact_lock(1212238915, 2)"));
    const TrailState state = inspectServerTrail(server);
    if (state.kind != TrailState::Kind::Earlier || !state.mayUpgrade) return;
    const QString s = quotedSchema(state.schema);
    // No workstation writes while the trail is brought up.
    server.script(
        QStringLiteral("LOCK TABLE %1.\"Patient\", %1.\"Course\", %1.\"Imagedb\" IN SHARE ROW EXCLUSIVE MODE").arg(s));
    if (!state.hasJournal) {
      for (const QString& sql : journalStatements(postgresDialect())) server.script(sql);
    }
    const QStringList trail = auditTableStatements(postgresDialect());
    if (!state.hasTable) {
      for (const QString& sql : trail) server.script(sql);
    } else {
      server.script(QStringLiteral("ALTER TABLE %1.\"Audit\" ADD COLUMN \"Login\" TEXT, ADD COLUMN \"Client\" TEXT, "
                                   "ADD COLUMN \"Hash\" TEXT")
                        .arg(s));
      for (const QString& sql : trail.mid(2)) server.script(sql);  // the head
    }
    for (const QString& sql : serverFunctions(state.schema)) server.script(sql);
    server.script(QStringLiteral("DROP TRIGGER IF EXISTS \"AuditKept\" ON %1.\"Audit\"").arg(s));
    server.script(serverChainEntries(state.schema));
    for (const QString& sql : serverTriggers(state.schema)) server.script(sql);
    for (const QString& sql : serverRights(state.schema, QString::fromLatin1(kClinicRole))) server.script(sql);
  });
}

}  // namespace records
