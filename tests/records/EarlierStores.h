#pragma once
// Stores as earlier versions of the program made them, for the tests of bringing them up to this
// one: the tables, triggers, functions and rights exactly as those versions created them (taken
// from their code), and rows and audit entries written as they wrote them.
//
//   - Trail::None: the version before the audit trail (a change journal, no table Audit);
//   - Trail::Unchained: the version before the chained trail (entries without Login, Client and
//     Hash, which the clinic's role added itself on a server, and a journal function whose search
//     path a login's temporary tables could take over).

#include <QString>
#include <QStringList>

#include "RecordsFixtures.h"

namespace testing_records {

namespace earlier_sql {

// Statements separated by lines holding ";;".
inline const char* const kFileTables = R"SQL(
CREATE TABLE "Patient" (
  "Hosp" VARCHAR(8),
  "Birth" DOUBLE PRECISION,
  "WorkPh" VARCHAR(10),
  "MEMOs" TEXT,
  "NCourse" INTEGER,
  "Eyes" SMALLINT CHECK ("Eyes" BETWEEN 0 AND 255),
  "Hair" SMALLINT CHECK ("Hair" BETWEEN 0 AND 255),
  "SkinC" SMALLINT CHECK ("SkinC" BETWEEN 0 AND 255),
  "Complete" SMALLINT CHECK ("Complete" BETWEEN 0 AND 255),
  "FirstN" VARCHAR(15),
  "SecN" VARCHAR(15),
  "SurN" VARCHAR(20),
  "HomePh" VARCHAR(10),
  "CellPh" VARCHAR(10),
  "Lang" SMALLINT CHECK ("Lang" BETWEEN 0 AND 255),
  "FHistory" VARCHAR(30),
  CONSTRAINT "PatientNHI" UNIQUE ("Hosp")
)
;;
CREATE TABLE "Course" (
  "Hosp" VARCHAR(8),
  "CourseID" INTEGER,
  "DateAssess" DOUBLE PRECISION,
  "Old" DOUBLE PRECISION,
  "ComDiag" VARCHAR(20),
  "ComReason" VARCHAR(20),
  "ComSkinType" INTEGER,
  "ComCondition" INTEGER,
  "EdLong" VARCHAR(20),
  "RadioPrevRx" INTEGER,
  "EdRxResult" VARCHAR(20),
  "MemoMeds" TEXT,
  "MemoOps" TEXT,
  "EdMed" INTEGER,
  "SkinIndex" INTEGER,
  "SpotsLength" INTEGER,
  "Spots" BLOB,
  "Condition" BLOB,
  "TxTime" BLOB,
  "Dose" BLOB,
  "WhenDate" BLOB,
  "Initials" BLOB,
  "Temperature" BLOB,
  "PInc" BLOB,
  "Consultant" VARCHAR(25),
  "Referal" VARCHAR(25),
  "Cautions" SMALLINT CHECK ("Cautions" BETWEEN 0 AND 255),
  "Complete" BOOLEAN NOT NULL DEFAULT FALSE,
  "Burn" BLOB,
  "Sched" INTEGER,
  CONSTRAINT "CourseNumber" UNIQUE ("Hosp", "CourseID")
)
;;
CREATE TABLE "Imagedb" (
  "Hosp" VARCHAR(8),
  "CourseID" INTEGER,
  "ImageID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "WhenDate" DOUBLE PRECISION,
  "JpegImage" BLOB,
  "NoteMemo" TEXT
)
;;
CREATE INDEX "ImagedbCourse" ON "Imagedb" ("Hosp", "CourseID")
;;
CREATE TABLE "PatientChange" ("Hosp" VARCHAR(8) PRIMARY KEY, "Seq" INTEGER NOT NULL)
;;
CREATE INDEX "PatientChangeSeq" ON "PatientChange" ("Seq")
;;
CREATE TRIGGER "PatientAdded" AFTER INSERT ON "Patient" WHEN NEW."Hosp" IS NOT NULL BEGIN INSERT INTO "PatientChange" ("Hosp", "Seq") VALUES (NEW."Hosp", (SELECT COALESCE(MAX("Seq"), 0) + 1 FROM "PatientChange")) ON CONFLICT ("Hosp") DO UPDATE SET "Seq" = excluded."Seq"; END
;;
CREATE TRIGGER "PatientChangedFrom" AFTER UPDATE ON "Patient" WHEN OLD."Hosp" IS NOT NULL BEGIN INSERT INTO "PatientChange" ("Hosp", "Seq") VALUES (OLD."Hosp", (SELECT COALESCE(MAX("Seq"), 0) + 1 FROM "PatientChange")) ON CONFLICT ("Hosp") DO UPDATE SET "Seq" = excluded."Seq"; END
;;
CREATE TRIGGER "PatientChangedTo" AFTER UPDATE ON "Patient" WHEN NEW."Hosp" IS NOT NULL AND NEW."Hosp" IS NOT OLD."Hosp" BEGIN INSERT INTO "PatientChange" ("Hosp", "Seq") VALUES (NEW."Hosp", (SELECT COALESCE(MAX("Seq"), 0) + 1 FROM "PatientChange")) ON CONFLICT ("Hosp") DO UPDATE SET "Seq" = excluded."Seq"; END
;;
CREATE TRIGGER "PatientRemoved" AFTER DELETE ON "Patient" WHEN OLD."Hosp" IS NOT NULL BEGIN INSERT INTO "PatientChange" ("Hosp", "Seq") VALUES (OLD."Hosp", (SELECT COALESCE(MAX("Seq"), 0) + 1 FROM "PatientChange")) ON CONFLICT ("Hosp") DO UPDATE SET "Seq" = excluded."Seq"; END
)SQL";
inline const char* const kFileTrail = R"SQL(
CREATE TABLE "Audit" (
  "AuditID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "WhenUTC" TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
  "Account" TEXT,
  "Workstation" TEXT,
  "Program" TEXT,
  "TableName" TEXT,
  "Hosp" TEXT,
  "CourseID" INTEGER,
  "ImageID" INTEGER,
  "Action" TEXT,
  "Changes" TEXT
)
;;
CREATE INDEX "AuditPatient" ON "Audit" ("Hosp", "AuditID")
;;
CREATE TRIGGER "AuditKeptFromUPDATE" BEFORE UPDATE ON "Audit" BEGIN SELECT RAISE(ABORT, 'audit entries are kept as written: they cannot be changed or deleted'); END
;;
CREATE TRIGGER "AuditKeptFromDELETE" BEFORE DELETE ON "Audit" BEGIN SELECT RAISE(ABORT, 'audit entries are kept as written: they cannot be changed or deleted'); END
)SQL";
inline const char* const kServerTables = R"SQL(
CREATE TABLE "Patient" (
  "Hosp" VARCHAR(8),
  "Birth" DOUBLE PRECISION,
  "WorkPh" VARCHAR(10),
  "MEMOs" TEXT,
  "NCourse" INTEGER,
  "Eyes" SMALLINT CHECK ("Eyes" BETWEEN 0 AND 255),
  "Hair" SMALLINT CHECK ("Hair" BETWEEN 0 AND 255),
  "SkinC" SMALLINT CHECK ("SkinC" BETWEEN 0 AND 255),
  "Complete" SMALLINT CHECK ("Complete" BETWEEN 0 AND 255),
  "FirstN" VARCHAR(15),
  "SecN" VARCHAR(15),
  "SurN" VARCHAR(20),
  "HomePh" VARCHAR(10),
  "CellPh" VARCHAR(10),
  "Lang" SMALLINT CHECK ("Lang" BETWEEN 0 AND 255),
  "FHistory" VARCHAR(30),
  "InsertOrder" BIGINT GENERATED ALWAYS AS IDENTITY,
  CONSTRAINT "PatientNHI" UNIQUE ("Hosp")
)
;;
CREATE TABLE "Course" (
  "Hosp" VARCHAR(8),
  "CourseID" INTEGER,
  "DateAssess" DOUBLE PRECISION,
  "Old" DOUBLE PRECISION,
  "ComDiag" VARCHAR(20),
  "ComReason" VARCHAR(20),
  "ComSkinType" INTEGER,
  "ComCondition" INTEGER,
  "EdLong" VARCHAR(20),
  "RadioPrevRx" INTEGER,
  "EdRxResult" VARCHAR(20),
  "MemoMeds" TEXT,
  "MemoOps" TEXT,
  "EdMed" INTEGER,
  "SkinIndex" INTEGER,
  "SpotsLength" INTEGER,
  "Spots" BYTEA,
  "Condition" BYTEA,
  "TxTime" BYTEA,
  "Dose" BYTEA,
  "WhenDate" BYTEA,
  "Initials" BYTEA,
  "Temperature" BYTEA,
  "PInc" BYTEA,
  "Consultant" VARCHAR(25),
  "Referal" VARCHAR(25),
  "Cautions" SMALLINT CHECK ("Cautions" BETWEEN 0 AND 255),
  "Complete" BOOLEAN NOT NULL DEFAULT FALSE,
  "Burn" BYTEA,
  "Sched" INTEGER,
  CONSTRAINT "CourseNumber" UNIQUE ("Hosp", "CourseID")
)
;;
CREATE TABLE "Imagedb" (
  "Hosp" VARCHAR(8),
  "CourseID" INTEGER,
  "ImageID" INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  "WhenDate" DOUBLE PRECISION,
  "JpegImage" BYTEA,
  "NoteMemo" TEXT
)
;;
CREATE INDEX "ImagedbCourse" ON "Imagedb" ("Hosp", "CourseID")
;;
CREATE TABLE "PatientChange" ("Hosp" VARCHAR(8) PRIMARY KEY, "Seq" BIGINT NOT NULL)
;;
CREATE INDEX "PatientChangeSeq" ON "PatientChange" ("Seq")
;;
CREATE FUNCTION "PatientJournal"() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP <> 'INSERT' AND OLD."Hosp" IS NOT NULL THEN
    INSERT INTO "PatientChange" ("Hosp", "Seq") VALUES (OLD."Hosp", pg_current_xact_id()::text::bigint)
      ON CONFLICT ("Hosp") DO UPDATE SET "Seq" = EXCLUDED."Seq";
  END IF;
  IF TG_OP <> 'DELETE' AND NEW."Hosp" IS NOT NULL THEN
    INSERT INTO "PatientChange" ("Hosp", "Seq") VALUES (NEW."Hosp", pg_current_xact_id()::text::bigint)
      ON CONFLICT ("Hosp") DO UPDATE SET "Seq" = EXCLUDED."Seq";
  END IF;
  RETURN NULL;
END $$
;;
CREATE TRIGGER "PatientJournal" AFTER INSERT OR UPDATE OR DELETE ON "Patient" FOR EACH ROW EXECUTE FUNCTION "PatientJournal"()
)SQL";
inline const char* const kServerTrail = R"SQL(
CREATE TABLE "Audit" (
  "AuditID" INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  "WhenUTC" TEXT NOT NULL DEFAULT (to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"')),
  "Account" TEXT,
  "Workstation" TEXT,
  "Program" TEXT,
  "TableName" TEXT,
  "Hosp" TEXT,
  "CourseID" INTEGER,
  "ImageID" INTEGER,
  "Action" TEXT,
  "Changes" TEXT
)
;;
CREATE INDEX "AuditPatient" ON "Audit" ("Hosp", "AuditID")
;;
CREATE OR REPLACE FUNCTION "AuditKept"() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  RAISE EXCEPTION 'audit entries are kept as written: they cannot be changed or deleted';
END $$
;;
CREATE TRIGGER "AuditKept" BEFORE UPDATE OR DELETE ON "Audit" FOR EACH ROW EXECUTE FUNCTION "AuditKept"()
;;
CREATE TRIGGER "AuditKeptWhole" BEFORE TRUNCATE ON "Audit" FOR EACH STATEMENT EXECUTE FUNCTION "AuditKept"()
)SQL";
// What init-db gave the clinic's role on a server.
inline const char* const kServerRights = R"SQL(
DO $$ BEGIN
  IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = 'halcyra_clinic') THEN
    CREATE ROLE halcyra_clinic NOLOGIN;
  END IF;
  EXECUTE format('GRANT USAGE ON SCHEMA %I TO halcyra_clinic', current_schema());
  EXECUTE format('GRANT USAGE ON SEQUENCE %s, %s TO halcyra_clinic', pg_get_serial_sequence('"Imagedb"', 'ImageID'), pg_get_serial_sequence('"Patient"', 'InsertOrder'));
END $$
;;
GRANT SELECT, INSERT, UPDATE, DELETE ON "Patient", "Course", "Imagedb" TO halcyra_clinic
;;
GRANT SELECT ON "PatientChange" TO halcyra_clinic
)SQL";
inline const char* const kServerTrailRights = R"SQL(
DO $$ BEGIN
  IF EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = 'halcyra_clinic') THEN
    GRANT SELECT ON "Audit" TO halcyra_clinic;
    GRANT INSERT ("Account", "Workstation", "Program", "TableName", "Hosp", "CourseID", "ImageID", "Action", "Changes") ON "Audit" TO halcyra_clinic;
    EXECUTE format('GRANT USAGE ON SEQUENCE %s TO halcyra_clinic', pg_get_serial_sequence('"Audit"', 'AuditID'));
  END IF;
END $$
)SQL";

inline QStringList statements(const char* text) {
  QStringList out;
  for (const QString& s : QString::fromUtf8(text).split(QStringLiteral("\n;;\n"))) {
    if (!s.trimmed().isEmpty()) out << s.trimmed();
  }
  return out;
}

}  // namespace earlier_sql

enum class Trail { None, Unchained };

// Makes the store of an earlier version in `store` (a store file's path, created here, or the URI
// of an empty server database, as the login that owns it) with the patients `nhis`, each added and
// then renamed, and, with a trail, the entries that version wrote for them. Returns the entries'
// Changes texts, oldest first.
inline QStringList makeEarlierStore(const QString& store, Trail trail, const QStringList& nhis) {
  RawStore raw(store);
  const bool server = raw.server();
  QStringList statements = earlier_sql::statements(server ? earlier_sql::kServerTables : earlier_sql::kFileTables);
  if (trail == Trail::Unchained)
    statements << earlier_sql::statements(server ? earlier_sql::kServerTrail : earlier_sql::kFileTrail);
  if (server) {
    statements << earlier_sql::statements(earlier_sql::kServerRights);
    if (trail == Trail::Unchained) statements << earlier_sql::statements(earlier_sql::kServerTrailRights);
  }
  for (const QString& sql : statements) raw.exec(sql);
  QStringList changes;
  for (const QString& nhi : nhis) {
    raw.exec(QStringLiteral(
                 "INSERT INTO \"Patient\" (\"Hosp\", \"SurN\", \"NCourse\", \"Lang\") VALUES (?, 'Earlier', 0, 2)"),
             {nhi});
    raw.exec(QStringLiteral("UPDATE \"Patient\" SET \"SurN\" = 'Older' WHERE \"Hosp\" = ?"), {nhi});
    if (trail == Trail::None) continue;
    const QStringList written{QStringLiteral("SurN: \"Earlier\"; NCourse: 0; Lang: 2"),
                              QStringLiteral("SurN: \"Earlier\" -> \"Older\"")};
    const QStringList actions{QStringLiteral("added"), QStringLiteral("changed")};
    for (int i = 0; i < 2; ++i) {
      raw.exec(
          QStringLiteral("INSERT INTO \"Audit\" (\"Account\", \"Workstation\", \"Program\", \"TableName\", \"Hosp\", "
                         "\"CourseID\", \"ImageID\", \"Action\", \"Changes\") VALUES ('nurse', 'ward-1', 'halcyra', "
                         "'Patient', ?, NULL, NULL, ?, ?)"),
          {nhi, actions[i], written[i]});
      changes << written[i];
    }
  }
  return changes;
}

}  // namespace testing_records
