// A prepared report kept in its own file: written and read back unchanged; damaged files refused.
#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "report/PictureRecorder.h"
#include "report/ReportFile.h"
#include "report/TreatmentReport.h"
#include "ReportFixtures.h"

using namespace report;

namespace {

// Pages equal item for item; pictures equal pixel for pixel (the file keeps them as PNG).
void expectSamePages(const PreparedReport& a, const PreparedReport& b) {
  EXPECT_EQ(a.pdfFileName, b.pdfFileName);
  ASSERT_EQ(a.pages.size(), b.pages.size());
  for (std::size_t p = 0; p < a.pages.size(); ++p) {
    const PreparedPage& x = a.pages[p];
    const PreparedPage& y = b.pages[p];
    EXPECT_EQ(x.title, y.title);
    EXPECT_EQ(x.size, y.size);
    EXPECT_EQ(x.clips, y.clips);
    ASSERT_EQ(x.items.size(), y.items.size());
    for (std::size_t i = 0; i < x.items.size(); ++i) {
      const auto* ix = std::get_if<Image>(&x.items[i].what);
      const auto* iy = std::get_if<Image>(&y.items[i].what);
      if (ix && iy) {
        EXPECT_EQ(ix->rect, iy->rect);
        EXPECT_EQ(ix->image.convertToFormat(QImage::Format_ARGB32), iy->image.convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(x.items[i].clip, y.items[i].clip);
      } else {
        EXPECT_TRUE(x.items[i] == y.items[i]) << "page " << p + 1 << ", item " << i;
      }
    }
  }
}

// A report with every kind of thing drawn: the sample course with photographs and a vector graph
// with a dashed, clipped, curved line.
PreparedReport everything() {
  ReportInput in = report_fixtures::sampleInput(3);
  in.drawGraph = [](QPainter& p, const QRectF& r) {
    p.setClipRect(r.adjusted(10, 10, -10, -10));
    QPainterPath curve;
    curve.moveTo(r.topLeft());
    curve.cubicTo(r.topRight(), r.bottomLeft(), r.bottomRight());
    p.setPen(QPen(Qt::red, 2, Qt::DashLine));
    p.drawPath(curve);
  };
  return prepareTreatmentReport(in);
}

}  // namespace

TEST(ReportFile, KeepsThePagesExactly) {
  const PreparedReport original = everything();
  QTemporaryDir dir;
  const QString path = dir.filePath("ABC1234.hrep");
  saveReportFile(original, path);
  expectSamePages(original, openReportFile(path));
}

TEST(ReportFile, RefusesDamagedAndForeignFilesWithAReason) {
  QTemporaryDir dir;
  const QString good = dir.filePath("good.hrep");
  saveReportFile(everything(), good);
  QFile f(good);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();

  auto attempt = [&](const QByteArray& content) -> QString {
    const QString path = dir.filePath("damaged.hrep");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return "cannot write";
    out.write(content);
    out.close();
    try {
      openReportFile(path);
      return {};
    } catch (const ReportFileError& e) {
      return QString::fromUtf8(e.what());
    }
  };
  EXPECT_TRUE(attempt("%PDF-1.3 not a report").contains("is not a prepared report of this program"));
  EXPECT_TRUE(attempt(QByteArray()).contains("damaged.hrep"));
  EXPECT_TRUE(attempt(bytes + "x").contains("more in it than its pages"));
  // Cut anywhere, the file is refused and never read beyond its end.
  for (int cut = 1; cut < 60; ++cut) {
    const QString reason = attempt(bytes.left(bytes.size() * cut / 60));
    EXPECT_TRUE(reason.contains("cannot be opened as a prepared report")) << cut << ": " << reason.toStdString();
  }
  // Bytes changed at random are refused, or read as some report; nothing worse happens.
  QRandomGenerator random(13);
  for (int trial = 0; trial < 200; ++trial) {
    QByteArray damaged = bytes;
    for (int k = 0; k < 4; ++k) damaged[random.bounded(static_cast<int>(damaged.size()))] = char(random.bounded(256));
    attempt(damaged);
  }
  try {
    openReportFile(dir.filePath("missing.hrep"));
    FAIL();
  } catch (const ReportFileError& e) {
    EXPECT_TRUE(QString(e.what()).contains("No such file or directory")) << e.what();
  }
}
