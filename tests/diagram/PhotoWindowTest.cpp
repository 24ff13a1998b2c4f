// Photographs on the main window: files dropped anywhere on it, the Notes tab's browser, the date
// and the note of each photograph, deleting, and files that cannot be read.

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "PhotoFixtures.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "support/WindowFixture.h"

using namespace photo_fixtures;

namespace {

class PhotoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.created);
    ASSERT_TRUE(files.isValid());
    w.form->show();
    w.form->EdHosp->setText("PHO1234");
    w.form->EdSurname->setText("Lens");
    w.form->BtnSelectClick();
    ASSERT_EQ(AppState, PatientMode);
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
    QWidget* on = target ? target : w.form.get();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &dropped);
    QCoreApplication::processEvents();
  }

  int count() { return w.data->ADOImage.recordCount(); }
  bool notesShown() { return w.form->PageControl1->isTabVisible(w.form->PageControl1->indexOf(w.form->TabNotes)); }
  QSize shownSize() { return w.form->Image1->pixmap().size(); }
  // The stored size of each photograph of the course, in course order; the cursor stays put.
  std::vector<QSize> storedSizes() {
    TDataPatient& d = *w.data;
    const int here = d.ADOImage.recNo();
    std::vector<QSize> sizes;
    for (int i = 1; i <= d.ADOImage.recordCount(); ++i) {
      d.ADOImage.setRecNo(i);
      sizes.push_back(d.GetImage().size());
    }
    d.ADOImage.setRecNo(here);
    return sizes;
  }

  WindowFixture w;
  QTemporaryDir files;
};

TEST_F(PhotoWindowTest, ADropAddsTheJpegFilesInItsOrderAndShowsTheLast) {
  EXPECT_FALSE(notesShown());
  drop({photo("one.jpg", {640, 480}), file("scan.png", "png"), photo("TWO.JPEG", {300, 300}),
        file("README", "text"), photo("Three.JpG", {100, 50})});
  EXPECT_TRUE(w.boxes.empty()) << "other names are passed over without a word";
  ASSERT_EQ(count(), 3);
  EXPECT_EQ(storedSizes(), (std::vector<QSize>{{500, 375}, {500, 500}, {500, 250}}));
  EXPECT_EQ(w.data->ADOImage.recNo(), 3);
  EXPECT_EQ(shownSize(), QSize(500, 250));
  EXPECT_TRUE(notesShown());
  EXPECT_FALSE(w.form->UpDown1->isHidden()) << "arrows for more than one";
}

TEST_F(PhotoWindowTest, TheArrowsStepThroughThePhotographsAndStopAtTheEnds) {
  drop({photo("a.jpg", {640, 480}), photo("b.jpg", {300, 300}), photo("c.jpg", {100, 50})});
  struct Step {
    bool next;
    int at;
    QSize shown;
  };
  const Step steps[] = {
      {true, 3, {500, 250}},  // on the last, next does nothing
      {false, 2, {500, 500}}, {false, 1, {500, 375}},
      {false, 1, {500, 375}},  // on the first, previous does nothing
      {true, 2, {500, 500}},
  };
  for (const Step& s : steps) {
    w.form->UpDown1Click(s.next);
    EXPECT_EQ(w.data->ADOImage.recNo(), s.at);
    EXPECT_EQ(shownSize(), s.shown);
  }
}

TEST_F(PhotoWindowTest, EachPhotographKeepsItsOwnDateUntilTheUserChangesIt) {
  drop({photo("march.jpg", {64, 48}, QDate(2025, 3, 5)), photo("april.jpg", {64, 48}, QDate(2025, 4, 9))});
  auto dateOf = [this](int recNo) {
    w.data->ADOImage.setRecNo(recNo);
    return datetime::toQDateTime(w.data->ADOImageWhenDate.asDateTime()).date();
  };
  // Showing the second photograph's date did not write it onto the first.
  EXPECT_EQ(w.form->DBImageDate->date(), QDate(2025, 4, 9));
  EXPECT_EQ(dateOf(1), QDate(2025, 3, 5));
  EXPECT_EQ(w.form->DBImageDate->date(), QDate(2025, 3, 5)) << "the picker follows the photograph";

  w.form->DBImageDate->setDate(QDate(2025, 3, 7));  // as the user does
  auto other = w.secondCopy();
  other->FilterPatientByNHI("PHO1234");
  other->ADOCourse.last();
  other->ADOImage.first();
  EXPECT_EQ(datetime::toQDateTime(other->ADOImageWhenDate.asDateTime()).date(), QDate(2025, 3, 7));
  EXPECT_EQ(dateOf(2), QDate(2025, 4, 9));
}

TEST_F(PhotoWindowTest, ANoteBeingTypedIsStoredWithItsPhotographBeforeTheNextIsShown) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {64, 48})});
  QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(w.form->DBMemo1, &in);  // entering the note
  w.form->DBMemo1->setPlainText("Plaque on the left elbow,\nless scaling");
  w.form->UpDown1Click(false);  // the arrows do not take the focus from the note

  EXPECT_EQ(w.data->ADOImage.recNo(), 1);
  EXPECT_EQ(w.form->DBMemo1->toPlainText(), QString()) << "the first photograph has no note";
  w.data->ADOImage.setRecNo(2);
  EXPECT_EQ(w.data->ADOImageNoteMemo.asString(), QStringLiteral("Plaque on the left elbow,\nless scaling"));
}

TEST_F(PhotoWindowTest, NotesTypedOnEachPhotographInTurnStayWithTheirOwn) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {64, 48})});
  QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(w.form->DBMemo1, &in);
  QTest::keyClicks(w.form->DBMemo1, "second");
  w.form->UpDown1Click(false);
  QTest::keyClicks(w.form->DBMemo1, "first");  // the focus stayed in the note
  w.form->UpDown1Click(true);

  EXPECT_EQ(w.form->DBMemo1->toPlainText(), QStringLiteral("second"));
  w.data->ADOImage.setRecNo(1);
  EXPECT_EQ(w.data->ADOImageNoteMemo.asString(), QStringLiteral("first"));
  w.data->ADOImage.setRecNo(2);
  EXPECT_EQ(w.data->ADOImageNoteMemo.asString(), QStringLiteral("second"));
}

TEST_F(PhotoWindowTest, DeletingTheOnlyPhotographHidesTheNotesTab) {
  drop({photo("a.jpg", {64, 48}), photo("b.jpg", {300, 300})});
  w.form->BitBtn4Click();  // the last: the new last becomes current
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(shownSize(), QSize(500, 375));
  EXPECT_TRUE(notesShown());
  EXPECT_TRUE(w.form->UpDown1->isHidden()) << "one photograph: no arrows";

  w.form->BitBtn4Click();
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

TEST_F(PhotoWindowTest, DropsWithoutAnOpenCourseAreIgnored) {
  w.form->BtnClearClick();
  ASSERT_EQ(AppState, ListMode);
  drop({photo("a.jpg", {64, 48})});
  auto other = w.secondCopy();
  other->FilterPatientByNHI("PHO1234");
  other->ADOCourse.last();
  EXPECT_EQ(other->ADOImage.recordCount(), 0);
  EXPECT_TRUE(w.boxes.empty());
}

TEST_F(PhotoWindowTest, FilesDroppedOnTheNoteAreAddedNotPastedAsText) {
  w.form->LoadImages();
  drop({photo("a.jpg", {64, 48})}, w.form->DBMemo1->viewport());
  EXPECT_EQ(count(), 1);
  EXPECT_FALSE(w.form->DBMemo1->toPlainText().contains("a.jpg"));
}

}  // namespace
