#pragma once
// The program as a therapist meets it, for window tests on the offscreen platform: a start-up
// directory with the demonstration calibration, an empty database, settings in the test's own
// folder, and the main window, the entry dialog and the data module created and connected in the
// program's order. Message boxes are answered by `answer` (OK by default) and collected in `boxes`.

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "dosing/FactorDescription.h"
#include "dosing/FactorFile.h"
#include "records/Data.h"
#include "records/Database.h"
#include "base/AppState.h"
#include "shell/Dialogs.h"
#include "shell/SkinU.h"
#include "treatment/ConditionForm.h"

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
    StartDir = startDir;
    DBDir.clear();
    AppState = ListMode;
    dialogs::setHook([this](const dialogs::Box& box) {
      boxes.push_back(box);
      return answer ? answer(box) : QMessageBox::Ok;
    });

    form = std::make_unique<TForm1>();
    Form1 = form.get();
    created = form->FormCreate();
    condition = std::make_unique<TCondition_Form>(form.get());
    Condition_Form = condition.get();
    data = std::make_unique<TDataPatient>();
    DataPatient = data.get();
    data->firstName = [this] { return form->EdFirst->text(); };
    data->secondName = [this] { return form->EdSecond->text(); };
    data->log = [this](const QString& line) { form->Memo2->appendPlainText(line); };
    data->DataModuleCreate();
    form->attachDataModule();
  }

  ~WindowFixture() {
    AppState = QuietMode;  // the window is closing: handlers write nothing
    condition.reset();  // a child of the main window: gone before it
    data.reset();
    form.reset();
    Form1 = nullptr;
    DataPatient = nullptr;
    Condition_Form = nullptr;
    dialogs::setHook({});
    QDir::setCurrent(previousDir_);
    AppState = ListMode;
  }

  // A second data module on the same file, as another copy of the program would have.
  std::unique_ptr<TDataPatient> secondCopy() const {
    auto other = std::make_unique<TDataPatient>();
    other->firstName = [] { return QString(); };
    other->secondName = [] { return QString(); };
    other->log = [](const QString&) {};
    const QString saved = DBDir;
    DBDir = dbDir;
    other->DataModuleCreate();
    DBDir = saved;
    return other;
  }

  QTemporaryDir dir;
  QString startDir, dbDir;
  std::vector<dialogs::Box> boxes;
  std::function<QMessageBox::StandardButton(const dialogs::Box&)> answer;
  std::unique_ptr<TForm1> form;
  std::unique_ptr<TCondition_Form> condition;
  std::unique_ptr<TDataPatient> data;
  bool created = false;

 private:
  QString previousDir_;
};
