// Which texts may serve as the database setting: an existing folder, or a server address the
// PostgreSQL client library reads.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "records/StoreLocation.h"

namespace {

TEST(DatabaseSetting, IsAnExistingFolderOrAReadableServerAddress) {
  QTemporaryDir dir;
  struct Case {
    bool server;
    QString text;
    const char* problem;  // a part of the problem named; nullptr: the setting serves
  };
  const Case cases[] = {
      {false, dir.path(), nullptr},
      {false, dir.filePath("missing"), "does not exist"},
      {false, QString(), "does not exist"},
      {true, "postgresql://clinic@db.example.org/halcyra?sslmode=require", nullptr},
      {true, "postgresql://db.example.org/halcyra?nosuchsetting=1", "cannot be used"},
      {true, "/not/an/address", "cannot be used"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    const QString problem = records::databaseSettingProblem(c.text, c.server);
    if (c.problem == nullptr) {
      EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    } else {
      EXPECT_TRUE(problem.contains(QLatin1String(c.problem))) << problem.toStdString();
    }
  }
}

}  // namespace
