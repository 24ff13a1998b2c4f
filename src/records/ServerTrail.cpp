#include "records/ServerTrail.h"

#include "records/AuditTrail.h"
#include "records/Schema.h"

namespace records {
namespace {

// Written into every function: the system catalog first, a login's temporary schema last, and
// nothing a login can create in between.
const QString kSafe = QStringLiteral("SET search_path = pg_catalog, pg_temp");

// The SQL with %S standing for the quoted schema.
QString in(const QString& schema, QString sql) { return sql.replace(QLatin1String("%S"), quotedSchema(schema)); }

// The expression of one column's value as an entry writes it (AuditTrail.h, auditValue).
QString valueText(const ColumnDef& column, const QString& ref) {
  QString text;
  switch (column.kind) {
    case ColumnKind::Text:
    case ColumnKind::Memo: text = QStringLiteral("%S.\"AuditText\"(%1::text)").arg(ref); break;
    case ColumnKind::Integer:
    case ColumnKind::SmallUnsigned:
    case ColumnKind::AutoIncrement: text = QStringLiteral("%1::text").arg(ref); break;
    case ColumnKind::Float: text = QStringLiteral("%S.\"AuditReal\"(%1::double precision)").arg(ref); break;
    case ColumnKind::DateTime: text = QStringLiteral("%S.\"AuditDate\"(%1::double precision)").arg(ref); break;
    case ColumnKind::Boolean: text = QStringLiteral("CASE WHEN %1 THEN 'true' ELSE 'false' END").arg(ref); break;
    case ColumnKind::VarBytes:
    case ColumnKind::Blob: text = QStringLiteral("octet_length(%1)::text || ' bytes'").arg(ref); break;
  }
  return QStringLiteral("CASE WHEN %1 IS NULL THEN 'null' ELSE %2 END").arg(ref, text);
}

bool isKey(const ColumnDef& column) {
  return column.name == QLatin1String("Hosp") || column.name == QLatin1String("CourseID") ||
         column.name == QLatin1String("ImageID");
}

// The trigger function that writes the entries of one table's changes, column by column, as
// describeChange does.
QString rowTrailFunction(const TableDef& table) {
  QStringList changed, added, deleted;
  for (const ColumnDef& c : table.columns) {
    const QString name = quoted(c.name);
    changed
        << QStringLiteral(
               "    IF OLD.%1 IS DISTINCT FROM NEW.%1 THEN parts := parts || ('%2: ' || %3 || ' -> ' || %4); END IF;")
               .arg(name, c.name, valueText(c, QStringLiteral("OLD.") + name),
                    valueText(c, QStringLiteral("NEW.") + name));
    if (isKey(c)) continue;
    added << QStringLiteral("    IF NEW.%1 IS NOT NULL THEN parts := parts || ('%2: ' || %3); END IF;")
                 .arg(name, c.name, valueText(c, QStringLiteral("NEW.") + name));
    deleted << QStringLiteral("    IF OLD.%1 IS NOT NULL THEN parts := parts || ('%2: ' || %3); END IF;")
                   .arg(name, c.name, valueText(c, QStringLiteral("OLD.") + name));
  }
  const auto key = [&](const char* row) {
    QStringList values;
    for (const char* column : {"Hosp", "CourseID", "ImageID"}) {
      const bool has = table.indexOf(QLatin1String(column)) >= 0;
      values << (has ? QStringLiteral("%1.\"%2\"").arg(QLatin1String(row), QLatin1String(column))
                     : QStringLiteral("NULL")) +
                    (QLatin1String(column) == QLatin1String("Hosp") ? QStringLiteral("::text")
                                                                    : QStringLiteral("::bigint"));
    }
    return values.join(QStringLiteral(", "));
  };
  return QStringLiteral(
             "CREATE OR REPLACE FUNCTION %S.\"%1Audit\"() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER %2 AS "
             "$body$\n"
             "DECLARE\n"
             "  parts text[] := ARRAY[]::text[];\n"
             "BEGIN\n"
             "  IF TG_OP = 'UPDATE' THEN\n%3\n"
             "    IF cardinality(parts) > 0 THEN\n"
             "      PERFORM %S.\"AuditWrite\"('%1', %4, 'changed', array_to_string(parts, '; '));\n"
             "    END IF;\n"
             "  ELSIF TG_OP = 'INSERT' THEN\n%5\n"
             "    PERFORM %S.\"AuditWrite\"('%1', %6, 'added', array_to_string(parts, '; '));\n"
             "  ELSE\n%7\n"
             "    PERFORM %S.\"AuditWrite\"('%1', %4, 'deleted', array_to_string(parts, '; '));\n"
             "  END IF;\n"
             "  RETURN NULL;\n"
             "END $body$")
      .arg(table.name, kSafe, changed.join(u'\n'), key("OLD"), added.join(u'\n'), key("NEW"), deleted.join(u'\n'));
}

}  // namespace

QString quotedSchema(const QString& schema) {
  QString q = schema;
  q.replace(u'"', QLatin1String("\"\""));
  return u'"' + q + u'"';
}

QStringList serverFunctionNames() {
  return {QStringLiteral("PatientJournal"), QStringLiteral("AuditKept"),    QStringLiteral("AuditField"),
          QStringLiteral("AuditHash"),      QStringLiteral("AuditText"),    QStringLiteral("AuditReal"),
          QStringLiteral("AuditDate"),      QStringLiteral("AuditChained"), QStringLiteral("AuditWrite"),
          QStringLiteral("PatientAudit"),   QStringLiteral("CourseAudit"),  QStringLiteral("ImagedbAudit")};
}

std::vector<std::pair<QString, QString>> serverTriggerNames() {
  return {{QStringLiteral("Patient"), QStringLiteral("PatientJournal")},
          {QStringLiteral("Patient"), QStringLiteral("PatientAudit")},
          {QStringLiteral("Course"), QStringLiteral("CourseAudit")},
          {QStringLiteral("Imagedb"), QStringLiteral("ImagedbAudit")},
          {QStringLiteral("Audit"), QStringLiteral("AuditKept")},
          {QStringLiteral("Audit"), QStringLiteral("AuditKeptWhole")},
          {QStringLiteral("Audit"), QStringLiteral("AuditChained")}};
}

QStringList serverFunctions(const QString& schema) {
  QStringList f;
  // The change journal (records/Schema.h): which patients changed, kept with the owner's rights so
  // that the clinic's logins, which may not write it, still have every change recorded.
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"PatientJournal\"() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER %1 AS "
           "$body$\n"
           "BEGIN\n"
           "  IF TG_OP <> 'INSERT' AND OLD.\"Hosp\" IS NOT NULL THEN\n"
           "    INSERT INTO %S.\"PatientChange\" (\"Hosp\", \"Seq\") VALUES (OLD.\"Hosp\", "
           "pg_current_xact_id()::text::bigint)\n"
           "      ON CONFLICT (\"Hosp\") DO UPDATE SET \"Seq\" = EXCLUDED.\"Seq\";\n"
           "  END IF;\n"
           "  IF TG_OP <> 'DELETE' AND NEW.\"Hosp\" IS NOT NULL THEN\n"
           "    INSERT INTO %S.\"PatientChange\" (\"Hosp\", \"Seq\") VALUES (NEW.\"Hosp\", "
           "pg_current_xact_id()::text::bigint)\n"
           "      ON CONFLICT (\"Hosp\") DO UPDATE SET \"Seq\" = EXCLUDED.\"Seq\";\n"
           "  END IF;\n"
           "  RETURN NULL;\n"
           "END $body$")
           .arg(kSafe);
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditKept\"() RETURNS trigger LANGUAGE plpgsql %1 AS $body$\n"
           "BEGIN\n"
           "  RAISE EXCEPTION 'audit entries are kept as written: they cannot be changed or deleted';\n"
           "END $body$")
           .arg(kSafe);
  // The hash of an entry, exactly as records/AuditChain.h computes it.
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditField\"(v text) RETURNS text LANGUAGE sql IMMUTABLE %1 AS $body$\n"
           "  SELECT CASE WHEN v IS NULL THEN 'N' || chr(10)\n"
           "              ELSE 'V' || octet_length(convert_to(v, 'UTF8'))::text || ':' || v || chr(10) END\n"
           "$body$")
           .arg(kSafe);
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditHash\"(previous text, id bigint, whenutc text, account text, "
           "workstation text, program text, tablename text, hosp text, courseid bigint, imageid bigint, action text, "
           "changes text, login text, client text) RETURNS text LANGUAGE sql IMMUTABLE %1 AS $body$\n"
           "  SELECT encode(sha256(convert_to(coalesce(previous, '') || chr(10) || %S.\"AuditField\"(id::text) || "
           "%S.\"AuditField\"(whenutc) || %S.\"AuditField\"(account) || %S.\"AuditField\"(workstation) || "
           "%S.\"AuditField\"(program) || %S.\"AuditField\"(tablename) || %S.\"AuditField\"(hosp) || "
           "%S.\"AuditField\"(courseid::text) || %S.\"AuditField\"(imageid::text) || %S.\"AuditField\"(action) || "
           "%S.\"AuditField\"(changes) || %S.\"AuditField\"(login) || %S.\"AuditField\"(client), 'UTF8')), 'hex')\n"
           "$body$")
           .arg(kSafe);
  // Text in double quotes on one line: \\ \n \r \t \" and \xHH for the other control characters.
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditText\"(v text) RETURNS text LANGUAGE plpgsql IMMUTABLE STRICT %1 AS "
           "$body$\n"
           "DECLARE\n"
           "  result text := '';\n"
           "  c text;\n"
           "  u integer;\n"
           "BEGIN\n"
           "  IF v !~ ('[' || chr(1) || '-' || chr(31) || chr(127) || '-' || chr(159) || chr(92) || chr(92) || '\"]') "
           "THEN\n"
           "    RETURN '\"' || v || '\"';\n"
           "  END IF;\n"
           "  FOREACH c IN ARRAY regexp_split_to_array(v, '') LOOP\n"
           "    u := ascii(c);\n"
           "    IF u = 92 THEN result := result || chr(92) || chr(92);\n"
           "    ELSIF u = 10 THEN result := result || chr(92) || 'n';\n"
           "    ELSIF u = 13 THEN result := result || chr(92) || 'r';\n"
           "    ELSIF u = 9 THEN result := result || chr(92) || 't';\n"
           "    ELSIF u = 34 THEN result := result || chr(92) || '\"';\n"
           "    ELSIF u < 32 OR (u >= 127 AND u < 160) THEN result := result || chr(92) || 'x' || lpad(to_hex(u), 2, "
           "'0');\n"
           "    ELSE result := result || c;\n"
           "    END IF;\n"
           "  END LOOP;\n"
           "  RETURN '\"' || result || '\"';\n"
           "END $body$")
           .arg(kSafe);
  // A real number as its shortest exact digits, written as the program writes it: in plain
  // decimals, or with an exponent of at least two digits where that is shorter ("1e+05", "1.5e-05").
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditReal\"(v double precision) RETURNS text LANGUAGE plpgsql IMMUTABLE "
           "STRICT "
           "%1 SET extra_float_digits = 1 AS $body$\n"
           "DECLARE\n"
           "  t text;\n"
           "  sign text := '';\n"
           "  mantissa text;\n"
           "  e integer := 0;\n"
           "  d text;\n"
           "  n integer;\n"
           "  p integer;\n"
           "  x integer;\n"
           "  dot integer;\n"
           "BEGIN\n"
           "  IF v = 'NaN'::double precision THEN RETURN 'nan'; END IF;\n"
           "  IF v = 'Infinity'::double precision THEN RETURN 'inf'; END IF;\n"
           "  IF v = '-Infinity'::double precision THEN RETURN '-inf'; END IF;\n"
           "  IF v = 0 THEN RETURN '0'; END IF;\n"
           "  t := v::text;\n"
           "  IF left(t, 1) = '-' THEN sign := '-'; t := substr(t, 2); END IF;\n"
           "  IF position('e' in t) > 0 THEN\n"
           "    mantissa := split_part(t, 'e', 1);\n"
           "    e := split_part(t, 'e', 2)::integer;\n"
           "  ELSE\n"
           "    mantissa := t;\n"
           "  END IF;\n"
           "  dot := position('.' in mantissa);\n"
           "  IF dot > 0 THEN\n"
           "    d := left(mantissa, dot - 1) || substr(mantissa, dot + 1);\n"
           "    p := dot - 1 + e;\n"
           "  ELSE\n"
           "    d := mantissa;\n"
           "    p := length(mantissa) + e;\n"
           "  END IF;\n"
           "  WHILE left(d, 1) = '0' LOOP d := substr(d, 2); p := p - 1; END LOOP;\n"
           "  d := rtrim(d, '0');\n"
           "  n := length(d);\n"
           "  x := p - 1;\n"
           "  IF (p > 0 AND p <= n) OR (p > n AND p <= n + CASE WHEN n > 1 THEN 1 ELSE 0 END + 4)\n"
           "     OR (p <= 0 AND -p <= CASE WHEN n > 1 THEN 1 ELSE 0 END + 2) THEN\n"
           "    IF p <= 0 THEN RETURN sign || '0.' || repeat('0', -p) || d; END IF;\n"
           "    IF p < n THEN RETURN sign || left(d, p) || '.' || substr(d, p + 1); END IF;\n"
           "    RETURN sign || d || repeat('0', p - n);\n"
           "  END IF;\n"
           "  RETURN sign || left(d, 1) || CASE WHEN n > 1 THEN '.' || substr(d, 2) ELSE '' END || 'e' ||\n"
           "         CASE WHEN x < 0 THEN '-' ELSE '+' END || CASE WHEN abs(x) < 10 THEN '0' ELSE '' END || "
           "abs(x)::text;\n"
           "END $body$")
           .arg(kSafe);
  // A date-time (days since 1899-12-30) as its day and wall-clock time.
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditDate\"(v double precision) RETURNS text LANGUAGE plpgsql IMMUTABLE "
           "STRICT "
           "%1 AS $body$\n"
           "DECLARE\n"
           "  whole double precision;\n"
           "  x double precision;\n"
           "  ms bigint;\n"
           "  days bigint;\n"
           "  t text;\n"
           "BEGIN\n"
           "  IF v = 'NaN'::double precision OR abs(v) > 1e8 THEN RETURN %S.\"AuditReal\"(v); END IF;\n"
           "  whole := trunc(v);\n"
           "  x := abs(v - whole) * 86400000.0::double precision;\n"
           "  ms := floor(x)::bigint + CASE WHEN x - floor(x) >= 0.5 THEN 1 ELSE 0 END;\n"
           "  days := whole::bigint;\n"
           "  IF ms >= 86400000 THEN\n"
           "    ms := ms - 86400000;\n"
           "    days := days + CASE WHEN v >= 0 THEN 1 ELSE -1 END;\n"
           "  END IF;\n"
           "  IF days < -693593 OR days > 2958465 THEN RETURN %S.\"AuditReal\"(v); END IF;\n"
           "  t := to_char((DATE '1899-12-30' + days::integer)::timestamp, 'YYYY-MM-DD') || ' ' || lpad((ms / "
           "3600000)::text, 2, '0') || ':' ||\n"
           "       lpad((ms / 60000 % 60)::text, 2, '0') || ':' || lpad((ms / 1000 % 60)::text, 2, '0');\n"
           "  IF ms % 1000 <> 0 THEN t := t || '.' || lpad((ms % 1000)::text, 3, '0'); END IF;\n"
           "  RETURN t;\n"
           "END $body$")
           .arg(kSafe);
  // Every entry comes after the newest one and carries its place in the chain; the head moves
  // with it. An entry that names another hash than its place gives is refused.
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditChained\"() RETURNS trigger LANGUAGE plpgsql %1 AS $body$\n"
           "DECLARE\n"
           "  head record;\n"
           "  expected text;\n"
           "BEGIN\n"
           "  SELECT \"AuditID\", \"Hash\" INTO head FROM %S.\"AuditHead\" FOR UPDATE;\n"
           "  IF NOT FOUND THEN\n"
           "    RAISE EXCEPTION 'the audit trail has no head (the table AuditHead is empty): no entry can be "
           "chained';\n"
           "  END IF;\n"
           "  IF NEW.\"AuditID\" IS NULL OR NEW.\"AuditID\" <= head.\"AuditID\" THEN\n"
           "    RAISE EXCEPTION 'an audit entry is only added after the newest one (%): entries are never replaced or "
           "put in "
           "between', head.\"AuditID\";\n"
           "  END IF;\n"
           "  expected := %S.\"AuditHash\"(head.\"Hash\", NEW.\"AuditID\", NEW.\"WhenUTC\", NEW.\"Account\", "
           "NEW.\"Workstation\", "
           "NEW.\"Program\", NEW.\"TableName\", NEW.\"Hosp\", NEW.\"CourseID\", NEW.\"ImageID\", NEW.\"Action\", "
           "NEW.\"Changes\", "
           "NEW.\"Login\", NEW.\"Client\");\n"
           "  IF NEW.\"Hash\" IS NOT NULL AND NEW.\"Hash\" <> expected THEN\n"
           "    RAISE EXCEPTION 'audit entry % does not continue the chain of the trail', NEW.\"AuditID\";\n"
           "  END IF;\n"
           "  NEW.\"Hash\" := expected;\n"
           "  UPDATE %S.\"AuditHead\" SET \"AuditID\" = NEW.\"AuditID\", \"Hash\" = expected;\n"
           "  RETURN NEW;\n"
           "END $body$")
           .arg(kSafe);
  // One entry, with who made the change. The head is locked before the entry takes its number, so
  // that entries are numbered in the order they are chained.
  f << QStringLiteral(
           "CREATE OR REPLACE FUNCTION %S.\"AuditWrite\"(tablename text, hosp text, courseid bigint, imageid bigint, "
           "action text, changes text) RETURNS void LANGUAGE plpgsql %1 AS $body$\n"
           "BEGIN\n"
           "  PERFORM 1 FROM %S.\"AuditHead\" FOR UPDATE;\n"
           "  INSERT INTO %S.\"Audit\" (\"Account\", \"Workstation\", \"Program\", \"TableName\", \"Hosp\", "
           "\"CourseID\", "
           "\"ImageID\", \"Action\", \"Changes\", \"Login\", \"Client\")\n"
           "  VALUES (nullif(current_setting('halcyra.account', true), ''), "
           "nullif(current_setting('halcyra.workstation', true), ''),\n"
           "          coalesce(nullif(current_setting('halcyra.program', true), ''), "
           "nullif(current_setting('application_name'), '')),\n"
           "          tablename, hosp, courseid, imageid, action, changes, session_user::text,\n"
           "          coalesce(host(inet_client_addr()), 'local'));\n"
           "END $body$")
           .arg(kSafe);
  for (const TableDef* t : {&patientTable(), &courseTable(), &imageTable()}) f << rowTrailFunction(*t);
  for (QString& sql : f) sql = in(schema, sql);
  return f;
}

QString serverChainEntries(const QString& schema) {
  return in(
      schema,
      QStringLiteral(
          "DO $body$\n"
          "DECLARE\n"
          "  e record;\n"
          "  previous text := '';\n"
          "  newest bigint := 0;\n"
          "BEGIN\n"
          "  FOR e IN SELECT * FROM %S.\"Audit\" ORDER BY \"AuditID\" LOOP\n"
          "    previous := %S.\"AuditHash\"(previous, e.\"AuditID\", e.\"WhenUTC\", e.\"Account\", e.\"Workstation\", "
          "e.\"Program\", e.\"TableName\", e.\"Hosp\", e.\"CourseID\", e.\"ImageID\", e.\"Action\", e.\"Changes\", "
          "e.\"Login\", e.\"Client\");\n"
          "    UPDATE %S.\"Audit\" SET \"Hash\" = previous WHERE \"AuditID\" = e.\"AuditID\";\n"
          "    newest := e.\"AuditID\";\n"
          "  END LOOP;\n"
          "  UPDATE %S.\"AuditHead\" SET \"AuditID\" = newest, \"Hash\" = previous;\n"
          "END $body$"));
}

QStringList serverTriggers(const QString& schema) {
  QStringList s;
  const auto trigger = [&](const QString& table, const QString& name, const QString& when, const QString& function) {
    s << QStringLiteral("DROP TRIGGER IF EXISTS \"%1\" ON %S.\"%2\"").arg(name, table)
      << QStringLiteral("CREATE TRIGGER \"%1\" %2 ON %S.\"%3\" %4 EXECUTE FUNCTION %S.\"%5\"()")
             .arg(name, when.section(u'|', 0, 0), table, when.section(u'|', 1), function);
  };
  const QString eachRowChange = QStringLiteral("AFTER INSERT OR UPDATE OR DELETE|FOR EACH ROW");
  trigger(QStringLiteral("Patient"), QStringLiteral("PatientJournal"), eachRowChange, QStringLiteral("PatientJournal"));
  // Patient, Course, Imagedb: the trail of every change.
  for (const char* table : {"Patient", "Course", "Imagedb"}) {
    const QString name = QLatin1String(table) + QStringLiteral("Audit");
    trigger(QLatin1String(table), name, eachRowChange, name);
  }
  trigger(QStringLiteral("Audit"), QStringLiteral("AuditKept"), QStringLiteral("BEFORE UPDATE OR DELETE|FOR EACH ROW"),
          QStringLiteral("AuditKept"));
  trigger(QStringLiteral("Audit"), QStringLiteral("AuditKeptWhole"),
          QStringLiteral("BEFORE TRUNCATE|FOR EACH STATEMENT"), QStringLiteral("AuditKept"));
  trigger(QStringLiteral("Audit"), QStringLiteral("AuditChained"), QStringLiteral("BEFORE INSERT|FOR EACH ROW"),
          QStringLiteral("AuditChained"));
  for (QString& sql : s) sql = in(schema, sql);
  return s;
}

QStringList serverRights(const QString& schema, const QString& clinicRole) {
  QStringList names;
  for (const QString& f : serverFunctionNames()) names << u'\'' + f + u'\'';
  QString literalSchema = schema;
  literalSchema.replace(u'\'', QLatin1String("''"));
  const QString role = quotedSchema(clinicRole);  // an identifier in double quotes, as the schema's
  QString roleLiteral = clinicRole;
  roleLiteral.replace(u'\'', QLatin1String("''"));
  QStringList s;
  s << QStringLiteral(
           "DO $body$\n"
           "DECLARE\n"
           "  f regprocedure;\n"
           "BEGIN\n"
           "  FOR f IN SELECT p.oid::regprocedure FROM pg_catalog.pg_proc p\n"
           "           WHERE p.pronamespace = '%1'::regnamespace AND p.proname = ANY (ARRAY[%2]) LOOP\n"
           "    EXECUTE pg_catalog.format('REVOKE ALL ON FUNCTION %s FROM PUBLIC', f);\n"
           "  END LOOP;\n"
           "END $body$")
           .arg(quotedSchema(schema).replace(u'\'', QLatin1String("''")), names.join(QStringLiteral(", ")));
  s << QStringLiteral(
           "DO $body$\n"
           "BEGIN\n"
           "  IF EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = '%L') THEN\n"
           "    GRANT USAGE ON SCHEMA %S TO %R;\n"
           "    GRANT SELECT, INSERT, UPDATE, DELETE ON %S.\"Patient\", %S.\"Course\", %S.\"Imagedb\" TO %R;\n"
           "    GRANT SELECT ON %S.\"PatientChange\" TO %R;\n"
           "    REVOKE ALL ON %S.\"Audit\", %S.\"AuditHead\" FROM %R;\n"
           "    GRANT SELECT ON %S.\"Audit\", %S.\"AuditHead\" TO %R;\n"
           "    EXECUTE pg_catalog.format('GRANT USAGE ON SEQUENCE %s, %s TO %R',\n"
           "      pg_catalog.pg_get_serial_sequence('%S.\"Imagedb\"', 'ImageID'), "
           "pg_catalog.pg_get_serial_sequence('%S.\"Patient\"', 'InsertOrder'));\n"
           "    EXECUTE pg_catalog.format('REVOKE ALL ON SEQUENCE %s FROM %R', "
           "pg_catalog.pg_get_serial_sequence('%S.\"Audit\"', 'AuditID'));\n"
           "  END IF;\n"
           "END $body$")
           .replace(QLatin1String("%R"), role)
           .replace(QLatin1String("%L"), roleLiteral);
  // Nobody but the owner creates anything in the database, temporary tables included.
  s << QStringLiteral(
           "DO $body$\n"
           "BEGIN\n"
           "  IF pg_catalog.pg_has_role((SELECT datdba FROM pg_catalog.pg_database WHERE datname = "
           "pg_catalog.current_database()), 'USAGE') THEN\n"
           "    EXECUTE pg_catalog.format('REVOKE TEMPORARY, CREATE ON DATABASE %I FROM PUBLIC', "
           "pg_catalog.current_database());\n"
           "  END IF;\n"
           "  IF pg_catalog.pg_has_role((SELECT nspowner FROM pg_catalog.pg_namespace WHERE nspname = '%1'), 'USAGE') "
           "THEN\n"
           "    REVOKE CREATE ON SCHEMA %S FROM PUBLIC;\n"
           "  END IF;\n"
           "END $body$")
           .arg(literalSchema);
  for (QString& sql : s) sql = in(schema, sql);
  return s;
}

}  // namespace records
