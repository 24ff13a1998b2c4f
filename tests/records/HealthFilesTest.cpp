// Who may read a new database: its owner alone, or also the group of a folder set up for one. The
// database engine's write-ahead log and shared-memory files take the database file's mode, so all
// three are looked at while a copy of the program has the file open and has written to it. And what
// the engine does with a store: deleted rows overwritten, the schema neither trusted nor writable.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/HealthFiles.h"
#include "support/FileModes.h"

namespace {

TEST(HealthFiles, NewDatabaseAndItsLogAreForTheOwnerOrTheFoldersGroupOnly) {
  struct Case {
    const char* what;
    unsigned folderMode;
    mode_t umask;
    unsigned expected;
  };
  const Case cases[] = {
      {"a private folder, with a mask that would let everybody read", 0755, 0000, 0600},
      {"a folder the group may write, without the set-group-ID bit", 0770, 0002, 0600},
      {"a set-group-ID folder the group may only read", 02750, 0000, 0600},
      {"a clinic's group folder, with a mask that would shut the group out", 02770, 0077, 0660},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir root;
    const QString dir = QDir(root.path()).filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkdir(dir));
    ASSERT_TRUE(setFolderMode(dir, c.folderMode));
    const Umask mask(c.umask);

    const QString file = records::createDatabase(dir);
    records::Connection connection;
    connection.open(file);
    connection.exec(QStringLiteral("INSERT INTO Patient (Hosp, SurN) VALUES ('ABC1234', 'Smith')"),
                    QStringLiteral("add a patient"));
    for (const QString& path : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")}) {
      ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
      EXPECT_EQ(modeOf(path), c.expected)
          << QFileInfo(path).fileName().toStdString() << " has mode 0" << std::oct << modeOf(path);
    }
  }
}

TEST(HealthFiles, WhatIsDeletedIsGoneFromTheFileAndTheSchemaCannotReachOutsideIt) {
  QTemporaryDir root;
  const QString file = records::createDatabase(root.path());
  // A photograph (its bytes large enough to fill pages of their own) and a note, marked so that
  // any copy of them left in the file shows.
  const QByteArray photograph = QByteArray("PHOTOGRAPH-OF-PATIENT-P1:").repeated(2000);
  const QString note = QStringLiteral("NOTE-ABOUT-PATIENT-P1: plaque on the left elbow");
  {
    records::Connection connection;
    connection.open(file);
    static const records::ColumnDef whole{QStringLiteral("whole"), records::ColumnKind::Integer};
    for (const auto& [pragma, expected] : {std::pair{"secure_delete", 1}, std::pair{"trusted_schema", 0}}) {
      const auto rows =
          connection.select(QStringLiteral("PRAGMA %1").arg(QLatin1String(pragma)), {}, {&whole}, "read a setting");
      EXPECT_EQ(rows.front().front().toInt(), expected) << pragma;
    }
    // Defensive: the schema cannot be rewritten by hand, whatever a file from elsewhere asks.
    connection.exec(QStringLiteral("PRAGMA writable_schema=ON"), "allow writing the schema");
    EXPECT_THROW(
        connection.exec(QStringLiteral("UPDATE sqlite_master SET sql = 'CREATE TABLE x(y)' WHERE name = 'Audit'"),
                        "rewrite the schema"),
        records::DataError);

    connection.execute(
        QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage, NoteMemo) VALUES ('P1', 1, ?, ?)"),
        {photograph, note}, "add a photograph");
    connection.execute(QStringLiteral("DELETE FROM Imagedb"), {}, "delete the photograph");
  }
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_FALSE(bytes.contains("PHOTOGRAPH-OF-PATIENT-P1:"));
  EXPECT_FALSE(bytes.contains("NOTE-ABOUT-PATIENT-P1"));
}

}  // namespace
