// Entry of a headless test program: a core application object (Qt SQL and the image readers
// want one), then every test.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  // --store-engine=postgresql: the store tests run on the PostgreSQL server HALCYRA_TEST_PG names
  // (tests/records/RecordsFixtures.h); processes they start inherit the choice.
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg(argv[i]);
    if (arg.startsWith("--store-engine=")) qputenv("HALCYRA_TEST_ENGINE", arg.mid(15));
  }
  return RUN_ALL_TESTS();
}
