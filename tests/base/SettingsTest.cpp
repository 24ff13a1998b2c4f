// The stored database setting never keeps a password.

#include <gtest/gtest.h>

#include "base/Settings.h"

namespace {

TEST(SettingsTest, AServerAddressIsStoredWithoutItsPassword) {
  struct Case {
    const char* given;
    const char* stored;
  };
  const Case cases[] = {
      {"/srv/halcyra", "/srv/halcyra"},
      {"C:\\Data:x@y", "C:\\Data:x@y"},
      {"postgresql://ward1:s3cr:et@db.example.org:5432/halcyra", "postgresql://ward1@db.example.org:5432/halcyra"},
      {"postgresql://ward1@db/halcyra?sslmode=require&password=abc", "postgresql://ward1@db/halcyra?sslmode=require"},
      {"postgres://db/halcyra?password=abc&sslmode=verify-full", "postgres://db/halcyra?sslmode=verify-full"},
      {"postgresql://ward1@db/halcyra?password=abc", "postgresql://ward1@db/halcyra"},
      {"postgresql:///halcyra?host=/run/postgresql", "postgresql:///halcyra?host=/run/postgresql"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(settings::withoutPassword(QString::fromUtf8(c.given)).toStdString(), c.stored);
  }
}

}  // namespace
