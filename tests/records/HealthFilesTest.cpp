// Who may read a new database: its owner alone, or also the group of a folder set up for one. The
// database engine's write-ahead log and shared-memory files take the database file's mode, so all
// three are looked at while a copy of the program has the file open and has written to it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "records/Connection.h"
#include "records/Database.h"
#include "records/HealthFiles.h"

namespace {

unsigned modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

// Sets the process's file-creation mask for a scope.
class Umask {
 public:
  explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
  ~Umask() { ::umask(saved_); }

 private:
  mode_t saved_;
};

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
    ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), c.folderMode), 0);
    const Umask mask(c.umask);

    const QString file = records::createDatabase(dir);
    records::Connection connection;
    connection.open(file);
    connection.exec(QStringLiteral("INSERT INTO Patient (Hosp, SurN) VALUES ('ABC1234', 'Smith')"),
                    QStringLiteral("add a patient"));
    for (const QString& path : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")}) {
      ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
      EXPECT_EQ(modeOf(path), c.expected) << QFileInfo(path).fileName().toStdString() << " has mode 0"
                                          << std::oct << modeOf(path);
    }
  }
}

}  // namespace
