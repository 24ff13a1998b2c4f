// A copy of the program killed at random moments while it writes: it opens new patients, records
// treatments, adds photographs and imports patient files through the open course, saying each write
// it has finished. After each kill the store passes the consistency check, and every write the copy
// said was finished is there. On both engines.
//
// HALCYRA_KILL_LOOP_KILLS sets the number of kills (a few by default; docs/reliability.md has the
// long run's figures), HALCYRA_KILL_LOOP_SEED the random moments.

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <map>
#include <random>
#include <string>

#include "../records/LegacyFixtures.h"
#include "../records/RecordsFixtures.h"
#include "ChildCopy.h"
#include "CourseFixtures.h"
#include "base/JpegCodec.h"
#include "course/OpenCourse.h"

namespace {

using course::OpenCourse;
using course_fixtures::ChildCopy;
using course_fixtures::demoTables;
using course_fixtures::reportDone;

constexpr char kDirVariable[] = "HALCYRA_KILL_WRITER_DIR";
// The folder of the writer's photograph: the parent's, since a killed child removes nothing.
constexpr char kFilesVariable[] = "HALCYRA_KILL_WRITER_FILES";
constexpr char kPrefixVariable[] = "HALCYRA_KILL_WRITER_PREFIX";

int setting(const char* name, int otherwise) {
  bool ok = false;
  const int value = qEnvironmentVariableIntValue(name, &ok);
  return ok ? value : otherwise;
}

QString nhiOf(const QString& prefix, int n) { return prefix + QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0')); }

// The writer: runs only as the child of the loop below, until it is killed.
TEST(KillLoopWriter, WritesUntilKilled) {
  const QString dir = qEnvironmentVariable(kDirVariable);
  if (dir.isEmpty()) GTEST_SKIP() << "runs only as the child of KillLoopTest";
  const QString prefix = qEnvironmentVariable(kPrefixVariable);
  OpenCourse c(demoTables());
  ASSERT_EQ(c.connectDatabase(dir), records::Store::ConnectResult::Connected);
  const QString files = qEnvironmentVariable(kFilesVariable);
  ASSERT_FALSE(files.isEmpty());
  QImage picture(64, 48, QImage::Format_RGB888);
  picture.fill(QColor(200, 120, 90));
  const QString photo = QDir(files).filePath(QStringLiteral("visit.jpg"));
  {
    QFile out(photo);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg::encode(picture, 90));
  }
  reportDone(QStringLiteral("ready"));
  for (int n = 0; n < 5000; ++n) {
    const QString nhi = nhiOf(prefix, n);
    c.setSearchText(course::SearchField::Surname, {});
    c.setSearchText(course::SearchField::Nhi, nhi);
    ASSERT_EQ(c.select(), course::SelectOutcome::Opened);
    reportDone(QStringLiteral("opened ") + nhi);
    c.setSkinType(1);
    c.setAge(QStringLiteral("40"));
    c.chooseTone(1);
    for (int row = 1; row <= 3; ++row) {
      c.recordTreatment(row, course_fixtures::visit(Same, static_cast<float>(100 + row)), false);
      reportDone(QStringLiteral("treatment %1 %2 %3").arg(nhi).arg(row).arg(100 + row));
    }
    c.addPhotographFile(photo);
    reportDone(QStringLiteral("photograph ") + nhi);
    c.returnToList();

    testing_legacy::UvbFile file;
    file.nhi = nhiOf(prefix, 5000 + n).toLatin1();
    const QString path = testing_legacy::writeFile(files, QString::fromLatin1(file.nhi + ".UVB"), file.bytes());
    const records::LegacyImport imported = c.importFile(path);
    ASSERT_TRUE(imported.imported()) << imported.reason.toStdString();
    reportDone(QStringLiteral("import ") + QString::fromLatin1(file.nhi));
  }
}

class KillLoopTest : public testing_records::StoreTest {
 protected:
  // Every write in `done` is in the store: the patients opened and imported with their first
  // course, the treatments with their doses, the photographs.
  void expectStored(const QStringList& done) {
    OpenCourse reader(demoTables());
    ASSERT_EQ(reader.connectDatabase(dirPath()), records::Store::ConnectResult::Connected);
    QString shown;  // the patient open in the reader
    for (const QString& line : done) {
      const QStringList words = line.split(u' ');
      if (words.size() < 2) continue;
      const QString& nhi = words[1];
      if (nhi != shown) {
        if (!shown.isEmpty()) reader.returnToList(course::PendingChanges::Drop);
        shown.clear();
        try {
          reader.open(nhi, 1);
        } catch (const course::Error& e) {
          ADD_FAILURE() << line.toStdString() << ": " << e.message().toStdString();
          continue;
        }
        shown = nhi;
      }
      if (words[0] == QLatin1String("treatment")) {
        const TreatmentRecord& record = reader.records()[static_cast<std::size_t>(words[2].toInt() - 1)];
        EXPECT_TRUE(record.recorded()) << line.toStdString();
        EXPECT_EQ(record.Dose, words[3].toFloat()) << line.toStdString();
      } else if (words[0] == QLatin1String("photograph")) {
        EXPECT_EQ(reader.photographCount(), 1) << line.toStdString();
      }
    }
  }
};

TEST_F(KillLoopTest, AfterEachKillTheStoreIsSoundAndEveryFinishedWriteIsThere) {
  const int kills = setting("HALCYRA_KILL_LOOP_KILLS", 10);
  const unsigned seed = static_cast<unsigned>(setting("HALCYRA_KILL_LOOP_SEED", 20261210));
  std::mt19937 random(seed);
  // Up to about two patients' worth of writes before the kill, so that it falls into every kind of
  // write over the rounds.
  std::uniform_int_distribution<int> moment(0, setting("HALCYRA_KILL_LOOP_MAX_MS", 700));
  int writes = 0;
  std::map<std::string, int> interrupted;
  QElapsedTimer total;
  total.start();
  QTemporaryDir childFiles;
  for (int round = 0; round < kills; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round << " of seed " << seed);
    const QString prefix = QStringLiteral("K%1%2").arg(QChar(u'A' + round / 26 % 26)).arg(QChar(u'A' + round % 26));
    ChildCopy writer(QStringLiteral("KillLoopWriter.WritesUntilKilled"),
                     {{QString::fromLatin1(kDirVariable), dirPath()},
                      {QString::fromLatin1(kPrefixVariable), prefix},
                      {QString::fromLatin1(kFilesVariable), childFiles.path()}});
    ASSERT_TRUE(writer.started());
    QElapsedTimer clock;
    clock.start();
    while (!writer.lines().contains(QStringLiteral("ready"))) {
      ASSERT_TRUE(writer.running() && clock.elapsed() < 60000) << writer.errors().toStdString();
      writer.read(50);
    }
    const int at = moment(random);
    clock.restart();
    while (clock.elapsed() < at) {
      ASSERT_TRUE(writer.running()) << writer.output().toStdString() << writer.errors().toStdString();
      writer.read(at - static_cast<int>(clock.elapsed()));
    }
    writer.kill();
    QStringList done;
    for (const QString& line : writer.lines()) {
      for (const char* kind : {"opened ", "treatment ", "photograph ", "import "})
        if (line.startsWith(QLatin1String(kind))) done << line;
    }
    writes += static_cast<int>(done.size());
    // What the writer was in the middle of: the write after the last one it finished.
    const QString last = done.isEmpty() ? QStringLiteral("import") : done.last().section(u' ', 0, 0);
    ++interrupted[last == QLatin1String("opened") ? "the plan or treatment 1"
                  : last == QLatin1String("treatment")
                      ? (done.last().section(u' ', 2, 2) == QLatin1String("3") ? "the photograph" : "a treatment")
                  : last == QLatin1String("photograph") ? "the import"
                                                        : "Select"];
    EXPECT_EQ(course_fixtures::problems(dirPath()), QStringList());
    expectStored(done);
    if (HasFailure()) break;
  }
  std::printf("%d kills, %d finished writes checked, %.1f s; killed in:", kills, writes,
              static_cast<double>(total.elapsed()) / 1000);
  for (const auto& [what, times] : interrupted) std::printf(" %s %d,", what.c_str(), times);
  std::printf("\n");
}

}  // namespace
