// The stored database setting never keeps a password: an address that could hold one is not
// stored at all.

#include <gtest/gtest.h>

#include "base/Settings.h"

namespace {

TEST(SettingsTest, AServerAddressThatCouldHoldAPasswordIsNeverStored) {
  struct Case {
    const char* given;
    bool mayHoldPassword;
  };
  const Case cases[] = {
      {"/srv/halcyra", false},
      {"C:\\Data:x@y", false},  // a folder, whatever its name holds
      {"postgresql://ward1@db.example.org:5432/halcyra", false},
      {"postgresql:///halcyra?host=/run/postgresql", false},
      {"postgresql://ward%40HOSPITAL@db/halcyra?sslmode=verify-full", false},
      {"postgresql://ward1:s3cr:et@db.example.org:5432/halcyra", true},
      {"postgresql://ward1:@db/halcyra", true},
      {"postgresql://ward1@db/halcyra?sslmode=require&password=abc", true},
      {"postgres://db/halcyra?PASSWORD=abc", true},
      {"postgresql://db/halcyra?%70assword=abc", true},
      {"postgresql://db/halcyra?sslpassword=abc", true},
      {"postgresql://ward1:p@ss@db/halcyra", true},   // an '@' in the password: two of them
      {"postgresql://ward1:pa/ss@db/halcyra", true},  // the '@' stands after the host's end
      {"postgresql://db/halcyra?application_name=a@b", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(settings::mayHoldPassword(QString::fromUtf8(c.given)), c.mayHoldPassword);
  }
}

}  // namespace
