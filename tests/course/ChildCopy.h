#pragma once
// Another copy of the program as a child process: this test program started again with one test
// of its own selected and its settings in the environment. The child reports each write it has
// finished as one line on stdout; the parent reads them as they come.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <map>

namespace course_fixtures {

class ChildCopy {
 public:
  // Starts the test `test` ("Suite.Name") with `settings` added to the environment.
  ChildCopy(const QString& test, const std::map<QString, QString>& settings) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : settings) env.insert(name, value);
    process_.setProcessEnvironment(env);
    process_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
    started_ = process_.waitForStarted();
  }
  ~ChildCopy() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished();
  }
  ChildCopy(const ChildCopy&) = delete;
  ChildCopy& operator=(const ChildCopy&) = delete;

  bool started() const { return started_; }
  bool running() const { return process_.state() == QProcess::Running; }
  // Waits up to `ms` for more lines; the lines read so far, finished lines only.
  const QStringList& read(int ms) {
    if (running()) process_.waitForReadyRead(ms);
    collect();
    return lines_;
  }
  const QStringList& lines() { return read(0); }
  // Ends the child at once, as a power cut or a killed program ends it, and collects what it
  // reported before.
  void kill() {
    process_.kill();  // SIGKILL
    process_.waitForFinished();
    collect();
  }
  // Waits for the child to end by itself; true when it ended with exit status 0.
  bool finish(int ms) {
    const bool ended = process_.waitForFinished(ms);
    collect();
    return ended && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
  }
  QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }
  QString output() const { return QString::fromLocal8Bit(all_); }

 private:
  void collect() {
    const QByteArray more = process_.readAllStandardOutput();
    all_ += more;
    pending_ += more;
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
      lines_ << QString::fromLatin1(pending_.left(end));
      pending_.remove(0, end + 1);
    }
  }

  QProcess process_;
  bool started_ = false;
  QByteArray all_, pending_;
  QStringList lines_;
};

// In the child: one finished write, said at once (the parent may kill the child any moment after).
inline void reportDone(const QString& line) {
  std::printf("%s\n", line.toLatin1().constData());
  std::fflush(stdout);
}

}  // namespace course_fixtures
