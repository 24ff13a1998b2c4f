// Replays inputs through a fuzzing harness without libFuzzer: every file named on the command line,
// and every file in each directory named there, is fed once to the harness's entry point. Built
// with the ordinary compiler and sanitizers, so that each corpus, with every input that once
// crashed a reader, runs in every test run.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  QStringList files;
  for (int i = 1; i < argc; ++i) {
    const QString path = QFile::decodeName(argv[i]);
    if (QFileInfo(path).isDir()) {
      const QDir dir(path);
      for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) files << dir.filePath(name);
    } else {
      files << path;
    }
  }
  if (files.isEmpty()) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\nno inputs found\n", argv[0]);
    return 2;
  }
  for (const QString& path : files) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
      return 1;
    }
    const QByteArray bytes = file.readAll();
    std::fprintf(stderr, "%s (%lld bytes)\n", qPrintable(QFileInfo(path).fileName()),
                 static_cast<long long>(bytes.size()));
    // A copy of exactly the input's size, so that a read past its end meets the sanitizer.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%lld inputs replayed\n", static_cast<long long>(files.size()));
  return 0;
}
