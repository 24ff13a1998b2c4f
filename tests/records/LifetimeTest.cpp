// A patient's lifetime exposure over all courses: recorded treatments and their delivered doses,
// in the core and through halcyra-tool lifetime.

#include <gtest/gtest.h>

#include "RecordsFixtures.h"
#include "records/CourseRow.h"
#include "records/Lifetime.h"
#include "records/Store.h"
#include "support/ToolRun.h"
#include "treatment/Exposure.h"

namespace {

using testing_records::StoreTest;

// Smith: course 1 with a missed visit (whose record, written by an earlier version, still holds a
// dose), a treatment and a row cleared after a dose was entered, course 2 on which nothing was ever
// recorded, course 3 with one treatment. Jones: one treatment that must not count for Smith. A
// missed visit gave no treatment and delivered nothing, so Smith has had two.
class Lifetime : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    data_ = connect();
    data_->firstName = [] { return QString(); };
    data_->secondName = [] { return QString(); };
    data_->log = [](const QString&) {};
    addCourseWith({{1, 100.5f}, {2, 200}, {0, 999}});
    data_->addCourse();
    addCourseWith({{4, 300}});
    data_->findPatients("XYZ0001", "", 7);
    data_->addPatient("XYZ0001", "Jones");
    data_->addCourse();
    recordOnCurrentCourse({{3, 5000}});
  }

  struct Row {
    std::int8_t condition;
    float dose;
  };
  void addCourseWith(std::initializer_list<Row> rows) {
    if (data_->patients.isEmpty() || data_->patientNhi.asString() != "ABC1234") {
      data_->findPatients("ABC1234", "", 7);
      data_->addPatient("ABC1234", "Smith");
    }
    data_->addCourse();
    recordOnCurrentCourse(rows);
  }
  void recordOnCurrentCourse(std::initializer_list<Row> rows) {
    std::array<TreatmentRecord, kTreatments> records{};
    int k = 0;
    for (const Row& r : rows) {
      records[k].response = r.condition;
      records[k++].Dose = r.dose;
    }
    data_->courses.edit();
    records::storeCourseRecords(*data_, records);
    data_->courses.post();
  }
  void openSmith() {
    data_->listOnlyNhi("ABC1234");
    ASSERT_FALSE(data_->patients.isEmpty());
  }

  std::unique_ptr<records::Store> data_;
};

TEST_F(Lifetime, SumsRecordedTreatmentsOfEveryCourseWithoutMovingTheCourse) {
  openSmith();
  data_->courses.setRecNo(2);
  const treatment::Exposure e = records::lifetimeExposure(*data_);
  EXPECT_EQ(e.treatments, 2);
  EXPECT_DOUBLE_EQ(e.dose, 500);
  EXPECT_EQ(e.courses, 3);
  EXPECT_EQ(data_->courses.recNo(), 2);
  EXPECT_EQ(treatment::lifetimeText(e, QLocale::c()), QString::fromUtf8("Lifetime: 2 treatments, 0.5 J/cm²"));
  EXPECT_EQ(treatment::lifetimeText({1, 61249.9, 1}, QLocale(QLocale::German)),
            QString::fromUtf8("Lifetime: 1 treatment, 61,2 J/cm²"));
}

TEST_F(Lifetime, TheToolPrintsTheSumsOrNamesAnUnknownPatient) {
  const ToolRun smith = runTool({"lifetime", dirPath(), "abc1234"});
  ASSERT_EQ(smith.exitCode, 0) << smith.err.toStdString();
  EXPECT_EQ(smith.lines(), QStringList({"treatments\t2", "dose\t500", "courses\t3"}));
  const ToolRun nobody = runTool({"lifetime", dirPath(), "NOB0000"});
  EXPECT_EQ(nobody.exitCode, 1);
  EXPECT_TRUE(nobody.err.contains("NOB0000")) << nobody.err.toStdString();
  EXPECT_TRUE(nobody.out.isEmpty());
}

}  // namespace
