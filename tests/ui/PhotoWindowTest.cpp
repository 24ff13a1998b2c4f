// Photographs on the main window: files dropped anywhere on it, the Notes tab's browser, the date
// and the note of each photograph, deleting, and files that cannot be read.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QDateTimeEdit>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "../diagram/PhotoFixtures.h"
#include "base/BoundedRead.h"
#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "support/WindowFixture.h"
#include "ui/widgets/DatePicker.h"

using namespace photo_fixtures;

namespace {

class PhotoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.created);
    ASSERT_TRUE(files.isValid());
    w.show();
    w.find<QLineEdit>(names::EdHosp)->setText("PHO1234");
    w.find<QLineEdit>(names::EdSurname)->setText("Lens");
    QTest::mouseClick(w.find(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(w.course->mode(), course::Mode::Patient);
  }

  // A JPEG file of the given size, last written on the given day.
  QString photo(const QString& name, QSize size, QDate written = QDate(2025, 6, 1)) {
    const QString path = writeJpeg(QDir(files.path()), name, cornerMarked(size.width(), size.height()));
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(QDateTime(written, QTime(10, 0)), QFileDevice::FileModificationTime);
    return path;
  }
  QString file(const QString& name, const QByteArray& bytes) { return writeFile(QDir(files.path()), name, bytes); }

  // Files dropped from a file manager onto `target`, in this order; the window adds them once the
  // drop is over.
  void drop(const QStringList& paths, QWidget* target = nullptr) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QWidget* on = target ? target : w.window.get();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &dropped);
    QCoreApplication::processEvents();
  }

  int count() { return w.course->photographCount(); }
  int shownNumber() { return w.course->photographNumber(); }
  bool notesShown() {
    auto* tabs = w.find<QTabWidget>(names::PageControl1);
    return tabs->isTabVisible(tabs->indexOf(w.find(names::TabNotes)));
  }
  QSize shownSize() { return w.find<QLabel>(names::Image1)->pixmap().size(); }
  // The stored size of each photograph of the course, in course order.
  std::vector<QSize> storedSizes() {
    std::vector<QSize> sizes;
    for (const course::PhotographRow& photo : w.course->photographs()) sizes.push_back(jpeg::pictureSize(photo.jpeg));
    return sizes;
  }
  // The arrows of the Notes tab.
  void step(bool next) { QTest::mouseClick(w.find(next ? names::UpDown1Next : names::UpDown1Prev), Qt::LeftButton); }
  QPlainTextEdit* note() { return w.find<QPlainTextEdit>(names::DBMemo1); }

  WindowFixture w;
  QTemporaryDir files;
};

TEST_F(PhotoWindowTest, ADropAddsTheJpegFilesInItsOrderAndShowsTheLast) {
  EXPECT_FALSE(notesShown());
  drop({photo("one.jpg", {640, 480}), file("scan.png", "png"), photo("TWO.JPEG", {300, 300}), file("README", "text"),
        photo("Three.JpG", {100, 50})});
  EXPECT_TRUE(w.boxes.empty()) << "other names are passed over without a word";
  ASSERT_EQ(count(), 3);
  EXPECT_EQ(storedSizes(), (std::vector<QSize>{{500, 375}, {500, 500}, {500, 250}}));
  EXPECT_EQ(shownNumber(), 3);
  EXPECT_EQ(shownSize(), QSize(500, 250));
  EXPECT_TRUE(notesShown());
  EXPECT_FALSE(w.find(names::UpDown1)->isHidden()) << "arrows for more than one";
}

TEST_F(PhotoWindowTest, TheArrowsStepThroughThePhotographsAndStopAtTheEnds) {
  drop({photo("a.jpg", {640, 480}), photo("b.jpg", {300, 300}), photo("c.jpg", {100, 50})});
  struct Step {
    bool next;
    int at;
    QSize shown;
  };
  // clang-format off
  const Step steps[] = {
      {true, 3, {500, 250}},  // on the last, next does nothing
      {false, 2, {500, 500}}, {false, 1, {500, 375}},
      {false, 1, {500, 375}},  // on the first, previous does nothing
      {true, 2, {500, 500}},
  };
  // clang-format on
  for (const Step& s : steps) {
    step(s.next);
    EXPECT_EQ(shownNumber(), s.at);
    EXPECT_EQ(shownSize(), s.shown);
  }
}

TEST_F(PhotoWindowTest, EachPhotographKeepsItsOwnDateUntilTheUserChangesIt) {
  drop({photo("march.jpg", {64, 48}, QDate(2025, 3, 5)), photo("april.jpg", {64, 48}, QDate(2025, 4, 9))});
  auto dateOf = [this](int number) {
    const course::PhotographRow photo = w.course->photographs()[static_cast<std::size_t>(number - 1)];
    return datetime::toQDateTime(photo.when.value_or(0)).date();
  };
  auto* picker = w.find<QDateTimeEdit>(names::DBImageDate);
  // Showing the second photograph's date did not write it onto the first.
  EXPECT_EQ(picker->date(), QDate(2025, 4, 9));
  EXPECT_EQ(dateOf(1), QDate(2025, 3, 5));
  step(false);
  EXPECT_EQ(picker->date(), QDate(2025, 3, 5)) << "the picker follows the photograph";

  picker->setDate(QDate(2025, 3, 7));  // as the user does
  auto other = w.secondCopy();
  other->listOnlyNhi("PHO1234");
  other->courses.last();
  other->photos.first();
  EXPECT_EQ(datetime::toQDateTime(other->photoDate.asDateTime()).date(), QDate(2025, 3, 7));
  EXPECT_EQ(dateOf(2), QDate(2025, 4, 9));
}

TEST_F(PhotoWindowTest, ANoteBeingTypedIsStoredWithItsPhotographBeforeTheNextIsShown) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {64, 48})});
  note()->setFocus(Qt::MouseFocusReason);  // entering the note
  QTest::keyClicks(note(), "Plaque on the left elbow,");
  QTest::keyClick(note(), Qt::Key_Return);
  QTest::keyClicks(note(), "less scaling");
  step(false);  // the arrows do not take the focus from the note

  EXPECT_EQ(shownNumber(), 1);
  EXPECT_EQ(note()->toPlainText(), QString()) << "the first photograph has no note";
  EXPECT_EQ(w.course->photographs()[1].note, QStringLiteral("Plaque on the left elbow,\nless scaling"));
}

TEST_F(PhotoWindowTest, NotesTypedOnEachPhotographInTurnStayWithTheirOwn) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {64, 48})});
  note()->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(note(), "second");
  step(false);
  QTest::keyClicks(note(), "first");  // the focus stayed in the note
  step(true);

  EXPECT_EQ(note()->toPlainText(), QStringLiteral("second"));
  EXPECT_EQ(w.course->photographs()[0].note, QStringLiteral("first"));
  EXPECT_EQ(w.course->photographs()[1].note, QStringLiteral("second"));
}

TEST_F(PhotoWindowTest, ANoteBeingTypedStaysWithItsPhotographWhenAnotherIsDroppedOrItIsDeleted) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {64, 48})});
  note()->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(note(), "second");
  drop({photo("c.jpg", {64, 48})});  // the focus stays in the note
  EXPECT_EQ(shownNumber(), 3);
  EXPECT_EQ(note()->toPlainText(), QString()) << "the new photograph has no note";
  EXPECT_EQ(w.course->photographs()[1].note, QStringLiteral("second"));

  QTest::keyClicks(note(), "third, deleted");
  QTest::mouseClick(w.find(names::BitBtn4), Qt::LeftButton);  // the last: the second is shown again
  note()->setFocus(Qt::MouseFocusReason);
  w.leave(note());
  EXPECT_EQ(note()->toPlainText(), QStringLiteral("second"));
  EXPECT_EQ(w.course->photographs()[1].note, QStringLiteral("second"));
}

TEST_F(PhotoWindowTest, DeletingTheOnlyPhotographHidesTheNotesTab) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {300, 300})});
  QTest::mouseClick(w.find(names::BitBtn4), Qt::LeftButton);  // the last: the new last becomes current
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(shownSize(), QSize(500, 375));
  EXPECT_TRUE(notesShown());
  EXPECT_TRUE(w.find(names::UpDown1)->isHidden()) << "one photograph: no arrows";

  QTest::mouseClick(w.find(names::BitBtn4), Qt::LeftButton);
  EXPECT_EQ(count(), 0);
  EXPECT_FALSE(notesShown());
}

TEST_F(PhotoWindowTest, BadFilesAreNamedAndTheRestOfTheDropIsAdded) {
  const QByteArray good = jpeg::encode(cornerMarked(640, 480), 90);
  const QString letter = file("letter.jpg", "Dear colleague, the photographs follow.");
  const QString cut = file("cut.jpg", good.left(good.size() / 2));
  const QString empty = file("empty.jpg", "");
  drop({photo("first.jpg", {640, 480}), letter, cut, empty, photo("last.jpg", {300, 300})});

  EXPECT_EQ(count(), 2);
  EXPECT_EQ(storedSizes(), (std::vector<QSize>{{500, 375}, {500, 500}}));
  ASSERT_EQ(w.boxes.size(), 1u) << "one box for the whole drop";
  const QString text = w.boxes[0].text;
  for (const QString& bad : {letter, cut, empty})
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(bad))) << text.toStdString();
  EXPECT_TRUE(text.contains("Not a JPEG file")) << "the codec's reason";
  EXPECT_TRUE(text.contains("empty file"));
}

TEST_F(PhotoWindowTest, APipeOrAFileLargerThanAnyPhotographIsNamedAtOnceNotWaitedOn) {
  // A pipe named like a photograph, which nobody writes: reading it would hold the window for ever.
  const QString pipe = QDir(files.path()).filePath("camera.jpg");
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const QString huge = file("huge.jpg", "");
  ASSERT_TRUE(QFile::resize(huge, files::kLargestPhotograph + 1));  // a hole: no room taken on the disk
  drop({pipe, huge, photo("last.jpg", {300, 300})});

  EXPECT_EQ(count(), 1);
  ASSERT_EQ(w.boxes.size(), 1u);
  const QString text = w.boxes[0].text;
  EXPECT_TRUE(text.contains("\"" + QDir::toNativeSeparators(pipe) + "\" is a pipe, not a file")) << text.toStdString();
  EXPECT_TRUE(text.contains("\"" + QDir::toNativeSeparators(huge) +
                            "\" is 104857601 bytes, more than a photograph can be (at most 104857600 bytes)"))
      << text.toStdString();
}

TEST_F(PhotoWindowTest, DropsWithoutAnOpenCourseAreIgnored) {
  QTest::mouseClick(w.find(names::BtnClear), Qt::LeftButton);
  ASSERT_EQ(w.course->mode(), course::Mode::List);
  drop({photo("a.jpg", {64, 48})});
  auto other = w.secondCopy();
  other->listOnlyNhi("PHO1234");
  other->courses.last();
  EXPECT_EQ(other->photos.recordCount(), 0);
  EXPECT_TRUE(w.boxes.empty());
}

TEST_F(PhotoWindowTest, FilesDroppedOnTheNoteAreAddedNotPastedAsText) {
  drop({photo("a.jpg", {64, 48})}, note()->viewport());
  EXPECT_EQ(count(), 1);
  EXPECT_FALSE(note()->toPlainText().contains("a.jpg"));
}

TEST_F(PhotoWindowTest, ThePhotographGridShowsAPictureBySizeNotItsBytesAsText) {
  drop({photo("a.jpg", {640, 480})});
  const int bytes = static_cast<int>(w.course->photographs()[0].jpeg.size());
  QTest::mouseClick(w.find(names::BtnClear), Qt::LeftButton);
  // The list's current patient is the one just left; its course and photograph are listed.
  auto* grid = w.find<QTableView>(names::DBGrid3);
  ASSERT_EQ(grid->model()->rowCount(), 1);
  const QString shown = grid->model()->index(0, 1).data().toString();
  EXPECT_EQ(shown, QStringLiteral("JPEG, %1 bytes").arg(bytes));
}

}  // namespace
