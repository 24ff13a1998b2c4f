#pragma once
// Fixtures of the patient store tests: a fresh database in a temporary directory, a plain SQL
// connection to it that plays "another copy of the program" or checks what reached the file, and a
// data module connected to it.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <atomic>
#include <gtest/gtest.h>

#include "records/Data.h"
#include "records/Database.h"
#include "base/Directories.h"

namespace testing_records {

// A plain SQLite connection to the store file, for seeding and checking behind the module's back.
class RawStore {
 public:
  explicit RawStore(const QString& file) : name_(QStringLiteral("raw-%1").arg(++counter())) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
  }
  ~RawStore() {
    { QSqlDatabase::database(name_, false).close(); }
    QSqlDatabase::removeDatabase(name_);
  }
  RawStore(const RawStore&) = delete;
  RawStore& operator=(const RawStore&) = delete;

  // Runs a statement; returns false (and the error text) when the store refuses it.
  bool tryExec(const QString& sql, const QVariantList& values = {}, QString* error = nullptr) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    const bool ok = q.exec();
    if (!ok && error) *error = q.lastError().text();
    return ok;
  }
  void exec(const QString& sql, const QVariantList& values = {}) {
    QString error;
    ASSERT_TRUE(tryExec(sql, values, &error)) << sql.toStdString() << ": " << error.toStdString();
  }
  // Every row of a query, each as a list of values.
  std::vector<QVariantList> rows(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    std::vector<QVariantList> out;
    if (!q.exec()) {
      ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
      return out;
    }
    while (q.next()) {
      QVariantList row;
      for (int i = 0; i < q.record().count(); ++i) row << q.value(i);
      out.push_back(row);
    }
    return out;
  }
  QVariant scalar(const QString& sql, const QVariantList& values = {}) {
    const auto r = rows(sql, values);
    return r.empty() || r.front().isEmpty() ? QVariant() : r.front().front();
  }

  // A patient row with the given status (a null QVariant leaves Complete null).
  void addPatient(const QString& hosp, const QString& surname, const QVariant& complete = QVariant(),
                  int nCourse = 0) {
    exec(QStringLiteral("INSERT INTO Patient (Hosp, SurN, Complete, NCourse) VALUES (?, ?, ?, ?)"),
         {hosp, surname, complete, nCourse});
  }
  void addCourse(const QString& hosp, int courseId, bool complete = false) {
    exec(QStringLiteral("INSERT INTO Course (Hosp, CourseID, Complete) VALUES (?, ?, ?)"), {hosp, courseId, complete});
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  QString name_;
};

// A fresh empty database in a temporary directory.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    file_ = records::createDatabase(dir_.path());
    savedDir_ = DBDir;
  }
  void TearDown() override { DBDir = savedDir_; }
  const QString& file() const { return file_; }
  QString dirPath() const { return dir_.path(); }

  // A data module connected to the fixture's database.
  std::unique_ptr<TDataPatient> connect() {
    DBDir = dir_.path();
    auto data = std::make_unique<TDataPatient>();
    EXPECT_EQ(data->DataModuleCreate(), TDataPatient::ConnectResult::Connected);
    return data;
  }

  // NHIs of the listed patients, in list order.
  static QStringList listed(TDataPatient& data) {
    QStringList out;
    const records::ControlsDisabled quiet(data.ADOPatient);
    const records::Bookmark here = data.ADOPatient.bookmark();
    for (data.ADOPatient.first(); !data.ADOPatient.eof(); data.ADOPatient.next()) out << data.ADOPatientHosp.asString();
    data.ADOPatient.gotoBookmark(here);
    return out;
  }
  // CourseIDs of the current patient's courses, in list order.
  static QList<int> courses(TDataPatient& data) {
    QList<int> out;
    for (int i = 1; i <= data.ADOCourse.recordCount(); ++i) {
      out << data.ADOCourse.valueAt(i, data.ADOCourseCourseID.index()).toInt();
    }
    return out;
  }

 private:
  QTemporaryDir dir_;
  QString file_;
  QString savedDir_;
};

}  // namespace testing_records
