#pragma once
// Reading a PDF file back with poppler's tools, as any user's viewer would see it.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "report/PdfWriter.h"

namespace pdf_support {

// The standard output of a poppler tool run on `file`.
inline QString poppler(const QString& tool, QStringList args, const QString& file) {
  QProcess p;
  args << file;
  if (tool == "pdftotext") args << "-";
  p.start(tool, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) {
    ADD_FAILURE() << tool.toStdString() << " failed on " << file.toStdString() << ": "
                  << p.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The rows of `pdffonts` or `pdfimages -list` below their two heading lines.
inline QStringList tableRows(const QString& output) {
  QStringList rows = output.split('\n', Qt::SkipEmptyParts);
  return rows.mid(2);
}

// The report written into a temporary directory, for the tools to read.
struct WrittenPdf {
  QTemporaryDir dir;
  QString path;
  explicit WrittenPdf(const report::PreparedReport& r) : path(dir.filePath("report.pdf")) { report::writePdf(r, path); }
  QString info() const { return poppler("pdfinfo", {}, path); }
  QString text() const { return poppler("pdftotext", {}, path); }
  QStringList fonts() const { return tableRows(poppler("pdffonts", {}, path)); }
  QStringList images() const { return tableRows(poppler("pdfimages", {"-list"}, path)); }
  QByteArray bytes() const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

}  // namespace pdf_support
