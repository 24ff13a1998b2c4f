#pragma once
// Runs halcyra-tool (the test target's HALCYRA_TOOL_PATH) as a user would from a shell.

#include <gtest/gtest.h>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolRun {
  int exitCode = -1;  // -1 when the tool crashed or did not finish
  QString out;        // standard output (UTF-8)
  QString err;        // standard error
  // Standard output line by line, without the line feed that ends the last line.
  QStringList lines() const {
    QStringList l = out.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
  }
};

// `environment` adds or replaces variables ("LC_ALL=de_DE.UTF-8").
inline ToolRun runTool(const QStringList& args, const QStringList& environment = {}) {
  QProcess p;
  if (!environment.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& e : environment) env.insert(e.section(QLatin1Char('='), 0, 0), e.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
  }
  p.start(QStringLiteral(HALCYRA_TOOL_PATH), args);
  ToolRun r;
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    ADD_FAILURE() << "halcyra-tool " << args.join(' ').toStdString() << " did not finish";
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}
