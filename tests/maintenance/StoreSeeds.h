#pragma once
// Stores filled the way the program fills them, for the backup and check tests.

#include <gtest/gtest.h>
#include <QImage>
#include <QString>
#include <array>
#include <vector>

#include "diagram/CourseSpots.h"
#include "records/CourseRow.h"
#include "records/LegacyFixtures.h"
#include "records/LegacyImport.h"
#include "records/Store.h"

namespace store_seeds {

// A patient as the program leaves it after a visit: imported from a patient file (the patient, a
// finished course and the patient's status in one transaction), then twelve treatments and three
// spots stored in one write of the course row, and a photograph. Each of these writes leaves the
// store sound, so a copy taken between any two of them passes the check.
inline void addVisitedPatient(records::Store& data, const QString& legacyDir, const QString& nhi) {
  testing_legacy::UvbFile file;
  file.nhi = nhi.toLatin1();
  const QString path = testing_legacy::writeFile(legacyDir, nhi + QStringLiteral(".UVB"), file.bytes());
  const records::LegacyImport imported = records::importLegacyFile(data, path);
  ASSERT_TRUE(imported.imported()) << imported.reason.toStdString();

  std::array<TreatmentRecord, kTreatments> treatments{};
  for (int k = 0; k < 12; ++k) {
    treatments[static_cast<std::size_t>(k)] = {0, 3, 36.5f, 250.0f + 10 * k, "02:10", "AB", 43800.0 + 2 * k};
  }
  std::vector<QPoint> spots{{100, 50}, {150, 200}, {40, 10}};
  data.courses.edit();
  records::storeCourseRecords(data, treatments);
  diagram::storeCourseSpots(data, spots);
  data.courses.post();

  QImage picture(40, 30, QImage::Format_RGB888);
  picture.fill(QColor(200, 120, 90));
  data.addPhotograph(picture, 43810.5);
}

}  // namespace store_seeds
