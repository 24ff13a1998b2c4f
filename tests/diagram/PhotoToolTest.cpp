// halcyra-tool add-photo and photos (the same rule, scaling and dating as a drop on the window, one
// line per file or photograph, failures named without stopping the other files) and the Spots line
// of show-course.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "PhotoFixtures.h"
#include "base/DateTime.h"
#include "diagram/CourseSpots.h"
#include "records/Database.h"
#include "records/Store.h"
#include "support/ToolRun.h"

using namespace photo_fixtures;

namespace {

class PhotoToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.isValid() && files.isValid());
    records::createDatabase(db.path());
    // Patient PHO1234 with courses 1 and 2, added as the window's Select adds them.
    records::Store data;
    data.firstName = data.secondName = [] { return QString(); };
    data.log = [](const QString&) {};
    ASSERT_EQ(data.open(db.path()), records::Store::ConnectResult::Connected);
    data.addPatient("PHO1234", "Lens");
    data.addCourse();
    data.addCourse();
  }

  QString photo(const QString& name, QSize size) {
    const QString path = writeJpeg(QDir(files.path()), name, cornerMarked(size.width(), size.height()));
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(written, QFileDevice::FileModificationTime);
    return path;
  }

  QStringList course(int id) { return {db.path(), "PHO1234", QString::number(id)}; }

  QTemporaryDir db, files;
  const QDateTime written{QDate(2025, 6, 1), QTime(9, 15, 30)};
};

TEST_F(PhotoToolTest, AddsLikeADropAndListsThePhotographsInCourseOrder) {
  const QString portrait =
      writeFile(QDir(files.path()), "phone.jpg", withOrientation(jpeg::encode(cornerMarked(800, 600), 95), 6));
  const QString bad = writeFile(QDir(files.path()), "letter.JPG", "Dear colleague");
  const QString png = writeFile(QDir(files.path()), "scan.png", "png");
  const QString wide = photo("wide.JPEG", {1920, 1080});

  const ToolRun add = runTool(QStringList{"add-photo"} + course(2) + QStringList{wide, png, bad, portrait});
  EXPECT_EQ(add.exitCode, 1) << "a file could not be added";
  ASSERT_EQ(add.lines().size(), 4) << add.err.toStdString();
  EXPECT_EQ(add.lines()[0], "added\t" + wide + "\t500x281");
  EXPECT_EQ(add.lines()[1], "skipped\t" + png + "\tnot a .JPG or .JPEG file");
  EXPECT_TRUE(add.lines()[2].startsWith("skipped\t" + bad + "\t")) << add.lines()[2].toStdString();
  EXPECT_TRUE(add.lines()[2].contains("Not a JPEG file")) << add.lines()[2].toStdString();
  EXPECT_EQ(add.lines()[3], "added\t" + portrait + "\t375x500") << "stood upright";

  const ToolRun list = runTool(QStringList{"photos"} + course(2));
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
  ASSERT_EQ(list.lines().size(), 2);
  const QStringList first = list.lines()[0].split(u'\t');
  ASSERT_EQ(first.size(), 5);
  EXPECT_EQ(first[1], "2025-06-01 09:15:30") << "the file's last-write time, local";
  EXPECT_EQ(first[2], "500x281");
  EXPECT_GT(first[3].toInt(), 1000);
  EXPECT_EQ(first[4], "");
  EXPECT_EQ(list.lines()[1].split(u'\t')[2], "375x500");
  EXPECT_LT(first[0].toInt(), list.lines()[1].split(u'\t')[0].toInt()) << "course order";

  // The other course has none.
  const ToolRun none = runTool(QStringList{"photos"} + course(1));
  EXPECT_EQ(none.exitCode, 0);
  EXPECT_TRUE(none.lines().isEmpty());
}

TEST_F(PhotoToolTest, ANoteStaysOnOneLine) {
  ASSERT_EQ(runTool(QStringList{"add-photo"} + course(1) + QStringList{photo("a.jpg", {64, 48})}).exitCode, 0);
  {
    records::Store data;
    data.open(db.path());
    data.listOnlyNhi("PHO1234");
    data.courses.first();
    data.photos.first();
    data.photos.edit();
    data.photoNote.setString("Left elbow\nC:\\photos\tday 3");
    data.photos.post();
  }
  const ToolRun list = runTool(QStringList{"photos"} + course(1));
  ASSERT_EQ(list.lines().size(), 1);
  EXPECT_TRUE(list.lines()[0].endsWith("\tLeft elbow\\nC:\\\\photos\\tday 3")) << list.lines()[0].toStdString();
}

TEST_F(PhotoToolTest, ShowCourseListsTheSpotsAfterTheCourseFields) {
  {
    records::Store data;
    data.open(db.path());
    data.listOnlyNhi("PHO1234");
    data.courses.first();  // course 1 gets three spots; course 2 has none stored
    data.courses.edit();
    std::vector<QPoint> spots = {{100, 50}, {-3, 262}, {0, 0}};
    diagram::storeCourseSpots(data, spots);
    data.courses.post();
  }
  struct Case {
    const char* course;
    const char* line;
  };
  for (const Case& c : {Case{"1", "Spots\t100,50 -3,262 0,0"}, Case{"2", "Spots\t"}}) {
    SCOPED_TRACE(c.course);
    const ToolRun r = runTool({"show-course", db.path(), "PHO1234", c.course});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.lines();
    const int at = static_cast<int>(lines.indexOf(QString::fromUtf8(c.line)));
    EXPECT_GE(at, 1) << r.out.toStdString();
    EXPECT_TRUE(lines.value(at - 1).startsWith("MemoOps\t")) << "after the course fields";
    EXPECT_TRUE(lines.value(at + 1).startsWith("treatment\t1\t"));
  }
}

TEST_F(PhotoToolTest, WhatCannotBeOpenedIsNamed) {
  const QString jpg = photo("a.jpg", {64, 48});
  struct Case {
    QStringList args;
    int exitCode;
    const char* says;
  };
  const Case cases[] = {
      {{"add-photo", db.path(), "XYZ9999", "1", jpg}, 1, "XYZ9999"},
      {{"add-photo", db.path(), "PHO1234", "7", jpg}, 1, "no course 7"},
      {{"photos", db.path(), "PHO1234", "one"}, 2, "not a whole number"},
      {{"photos", files.path(), "PHO1234", "1"}, 1, "init-db"},
      {{"add-photo", db.path(), "PHO1234", "1"}, 2, "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_TRUE(r.lines().isEmpty());
  }
}

}  // namespace
