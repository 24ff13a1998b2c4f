// Files from outside read only when they are regular files of their kind's size, never waiting on
// a pipe; files with patient data written private from their first byte and put in place whole.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/BoundedRead.h"
#include "base/PrivateFiles.h"
#include "support/FileModes.h"

namespace {

using files::ReadError;

QByteArray contentOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// The problem and message readBounded gives for `path`, or Problem -1 when it read the file.
std::pair<int, QString> refusal(const QString& path, qint64 limit) {
  try {
    files::readBounded(path, limit, QStringLiteral("a photograph"));
    return {-1, {}};
  } catch (const ReadError& e) {
    return {static_cast<int>(e.problem()), e.message()};
  }
}

TEST(BoundedRead, TakesARegularFileWithinItsLimitAndRefusesEverythingElseAtOnce) {
  QTemporaryDir dir;
  const QString small = dir.filePath(QStringLiteral("small.jpg"));
  writeFile(small, QByteArray(1000, 'x'));
  EXPECT_EQ(files::readBounded(small, 1000, QStringLiteral("a photograph")), QByteArray(1000, 'x'));

  // A pipe that nobody writes: refused, not waited on (the test would hang here).
  const QString pipe = dir.filePath(QStringLiteral("x.jpg"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  // A file far beyond the limit takes no room on the disk: it has a hole in place of its bytes.
  const QString huge = dir.filePath(QStringLiteral("huge.jpg"));
  writeFile(huge, {});
  ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), qint64(20) * 1024 * 1024 * 1024 + 512 * 1024 * 1024), 0);

  struct Case {
    const char* what;
    QString path;
    qint64 limit;
    ReadError::Problem problem;
    QString message;
  };
  const Case cases[] = {
      {"a pipe", pipe, files::kLargestPhotograph, ReadError::Problem::NotAFile,
       QStringLiteral("\"%1\" is a pipe, not a file: a photograph is read only from a file.").arg(pipe)},
      {"a folder", dir.path(), files::kLargestPhotograph, ReadError::Problem::NotAFile,
       QStringLiteral("\"%1\" is a folder, not a file").arg(dir.path())},
      {"a device", QStringLiteral("/dev/zero"), files::kLargestPhotograph, ReadError::Problem::NotAFile,
       QStringLiteral("\"/dev/zero\" is a device, not a file")},
      {"a file of 20.5 GB", huge, files::kLargestPhotograph, ReadError::Problem::TooLarge,
       QStringLiteral("\"%1\" is 20.5 GB, more than a photograph can be (at most 100 MB).").arg(huge)},
      {"one byte beyond the limit", small, 999, ReadError::Problem::TooLarge, QStringLiteral("(at most 999 bytes)")},
      {"a missing file", dir.filePath(QStringLiteral("gone.jpg")), 100, ReadError::Problem::CannotOpen,
       QStringLiteral("No such file or directory")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto [problem, message] = refusal(c.path, c.limit);
    EXPECT_EQ(problem, static_cast<int>(c.problem));
    EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
  }
}

TEST(PrivateFiles, AreTheOwnersOrTheGroupFoldersFromTheFirstByteWhateverTheMask) {
  struct Case {
    const char* what;
    unsigned folderMode;
    unsigned expected;
  };
  const Case cases[] = {
      {"a folder of the user's", 0755, 0600},
      {"a clinic's group folder", 02770, 0660},
  };
  const Umask mask(022);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir root;
    ASSERT_TRUE(setFolderMode(root.path(), c.folderMode));
    const QString path = root.filePath(QStringLiteral("ABC1234.pdf"));
    writeFile(path, "an older export");
    ASSERT_EQ(modeOf(path), 0644u);  // what an older version left
    unsigned modeWhileWritten = 0;
    files::writePrivateFile(path, [&](int fd) {
      struct stat info {};
      ::fstat(fd, &info);
      modeWhileWritten = info.st_mode & 07777;  // before the first byte
      ASSERT_TRUE(files::writeAll(fd, "%PDF-1.3", 8));
    });
    EXPECT_EQ(modeWhileWritten, c.expected);
    EXPECT_EQ(modeOf(path), c.expected);
    EXPECT_EQ(contentOf(path), "%PDF-1.3");
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("ABC1234.pdf")});
  }
}

TEST(PrivateFiles, AWriteThatFailsLeavesTheOldFileAndNoPartBehind) {
  QTemporaryDir root;
  const QString path = root.filePath(QStringLiteral("ABC1234.hrep"));
  writeFile(path, "the earlier report");
  EXPECT_THROW(files::writePrivateFile(path,
                                       [](int fd) {
                                         files::writeAll(fd, "half", 4);
                                         throw std::runtime_error("the disk is full");
                                       }),
               std::runtime_error);
  EXPECT_EQ(contentOf(path), "the earlier report");
  EXPECT_EQ(QDir(root.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("ABC1234.hrep")});

  try {
    files::writePrivateFile(root.filePath(QStringLiteral("gone/ABC1234.pdf")), [](int) {});
    FAIL() << "a file in a missing folder was written";
  } catch (const files::WriteError& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("gone/ABC1234.pdf\": No such file or directory"))) << e.what();
  }
}

TEST(PrivateFiles, PartsLeftByACopyThatDiedAreRemovedAndThoseBeingWrittenKept) {
  QTemporaryDir root;
  const QString dead = root.filePath(QStringLiteral(".ABC1234.pdf.0123abcd.part"));
  const QString alive = root.filePath(QStringLiteral(".XYZ9876.pdf.89abcdef.part"));
  const QString notOurs = root.filePath(QStringLiteral(".notes.part"));
  for (const QString& p : {dead, alive, notOurs}) writeFile(p, "patient data");
  // Another copy is writing `alive` at this moment: it holds the part locked.
  const int writer = ::open(QFile::encodeName(alive).constData(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);

  files::writePrivateFile(root.filePath(QStringLiteral("DEF5555.pdf")), [](int fd) { files::writeAll(fd, "x", 1); });
  EXPECT_FALSE(QFile::exists(dead));
  EXPECT_TRUE(QFile::exists(alive));
  EXPECT_TRUE(QFile::exists(notOurs));
  ::close(writer);
  EXPECT_EQ(files::removeStaleParts(root.path()), 1);  // its writer gone, it is stale too
  EXPECT_FALSE(QFile::exists(alive));
}

}  // namespace
