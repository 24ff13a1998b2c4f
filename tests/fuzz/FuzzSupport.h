#pragma once
// What the fuzzing harnesses share: the input as bytes, a Qt application object for the readers
// that want one, and the way a harness reports a broken promise of the code it drives.

#include <QByteArray>
#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The input without a copy; valid while the harness runs.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Qt SQL and the image readers want an application object; it lives until the process ends.
inline void ensureApplication() {
  static int argc = 1;
  static char name[] = "halcyra-fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

// A property the code promises does not hold for this input: say which, and stop the way a
// sanitizer does, so that the fuzzer keeps the input and the replay test fails on it.
[[noreturn]] inline void broken(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

inline void expect(bool holds, const char* promise) {
  if (!holds) broken(promise);
}

}  // namespace fuzz
