#pragma once
// The program as a therapist meets it, for window tests on the offscreen platform: a start-up
// directory with the demonstration calibration, an empty database, settings in the test's own
// folder, and the open course, the main window and the connection made in the program's order.
// Message boxes are answered by `answer` (OK by default) and collected in `boxes`. Widgets are
// found by their object names (ui/ObjectNames.h) through find().

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/Directories.h"
#include "course/OpenCourse.h"
#include "dosing/FactorDescription.h"
#include "dosing/FactorFile.h"
#include "records/Database.h"
#include "records/Store.h"
#include "ui/Actions.h"
#include "ui/Dialogs.h"
#include "ui/DisclaimerDialog.h"
#include "ui/MainWindow.h"
#include "ui/ObjectNames.h"
#include "ui/Startup.h"

// The widget named `name` under `root`; a test that asks for a widget the window does not have
// fails with its name.
template <class T = QWidget>
T* widgetNamed(const QObject* root, const char* name) {
  T* w = root->findChild<T*>(QString::fromLatin1(name));
  if (!w) throw std::logic_error(std::string("no widget named ") + name);
  return w;
}

class WindowFixture {
 public:
  // The demonstration calibration kept in the repository.
  static FactorTables demoTables() {
    auto d = dosing::readFactorDescription(QStringLiteral(HALCYRA_SOURCE_DIR "/demo/UVB_Factors.txt"));
    d.tables.Logo = dosing::decodeBitmap(d.logoBmp);
    return d.tables;
  }

  explicit WindowFixture(const FactorTables& tables = demoTables()) {
    startDir = dir.filePath("start");
    dbDir = dir.filePath("data");
    QDir().mkpath(startDir);
    QDir().mkpath(dbDir);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
    dosing::writeFactorFile(QDir(startDir).filePath("UVB_Factors.Dat"), tables);
    records::createDatabase(dbDir);
    {
      QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
      s.setValue("DBDir", dbDir);
    }
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(startDir);
    dialogs::setHook([this](const dialogs::Box& box) {
      boxes.push_back(box);
      return answer ? answer(box) : QMessageBox::Ok;
    });

    const std::optional<FactorTables> calibration = ui::readCalibration(nullptr, startDir);
    created = calibration.has_value();
    course = std::make_unique<course::OpenCourse>(calibration.value_or(FactorTables{}));
    window = std::make_unique<ui::MainWindow>(*course, database, startDir);
    ui::connectDatabase(*course, database, window.get());
  }

  ~WindowFixture() {
    course->close();  // the window is going: nothing it does now is stored
    window.reset();
    course.reset();
    dialogs::setHook({});
    QDir::setCurrent(previousDir_);
  }

  template <class T = QWidget>
  T* find(const char* name) const {
    return widgetNamed<T>(window.get(), name);
  }
  const records::Store& data() const { return course->data(); }

  // Shown and active, so that focus moves as it does for a user; the disclaimer that comes up first
  // is accepted.
  void show() {
    bool accepted = false;
    auto* accept = new QTimer(window.get());
    QObject::connect(accept, &QTimer::timeout, accept, [this, accept, &accepted] {
      ui::DisclaimerDialog& notice = window->disclaimer();
      if (!notice.isVisible()) return;
      accept->stop();
      accept->deleteLater();
      notice.done(ui::DisclaimerDialog::Accepted);
      accepted = true;
    });
    accept->start(5);
    window->resize(1340, 800);
    window->show();
    if (!QTest::qWaitFor([&] { return accepted; }, 5000)) throw std::runtime_error("the disclaimer did not come up");
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get())) throw std::runtime_error("the window did not become active");
  }
  // Once a dialog has closed the main window is active again, as a window manager makes it.
  void reactivate() {
    if (QApplication::activeWindow() == window.get()) return;
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window.get());
  }
  // The focus moves to `w` and then to a widget that stores nothing (the "List" button, not
  // clicked), and the leave is handled: `w`'s text is stored as when the user clicks elsewhere.
  void leave(QWidget* w) {
    w->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    find(names::BtnClear)->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    window->actions().settle();
  }
  // Types into a text box as the user does: focus, select all, the keys.
  void type(QWidget* box, const QString& text) {
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }

  // A second data module on the same file, as another copy of the program would have.
  std::unique_ptr<records::Store> secondCopy() const {
    auto other = std::make_unique<records::Store>();
    other->firstName = [] { return QString(); };
    other->secondName = [] { return QString(); };
    other->log = [](const QString&) {};
    other->open(dbDir);
    return other;
  }

  QTemporaryDir dir;
  QString startDir, dbDir;
  std::vector<dialogs::Box> boxes;
  std::function<QMessageBox::StandardButton(const dialogs::Box&)> answer;
  settings::DatabaseSetting database;  // the program's setting, as main holds it
  std::unique_ptr<course::OpenCourse> course;
  std::unique_ptr<ui::MainWindow> window;
  bool created = false;

 private:
  QString previousDir_;
};
