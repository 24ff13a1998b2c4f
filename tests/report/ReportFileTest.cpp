// A prepared report kept in its own file: written and read back unchanged; damaged files refused.
#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <zlib.h>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ReportFixtures.h"
#include "report/FileNames.h"
#include "report/PictureRecorder.h"
#include "report/ReportFile.h"
#include "report/TreatmentReport.h"
#include "support/FileModes.h"

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

// A PNG picture whose header claims `width` x `height` pixels; its pixel data are a few bytes of
// zeros, which no decoder would take for that size.
QByteArray claimingPng(quint32 width, quint32 height) {
  const auto chunk = [](const char* kind, const QByteArray& data) {
    QByteArray c;
    QDataStream out(&c, QIODevice::WriteOnly);
    out << quint32(data.size());
    const QByteArray body = QByteArray(kind) + data;
    out.writeRawData(body.constData(), int(body.size()));
    out << quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
    return c;
  };
  QByteArray header;
  QDataStream h(&header, QIODevice::WriteOnly);
  h << width << height << quint8(8) << quint8(2) << quint8(0) << quint8(0) << quint8(0);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
         chunk("IDAT", qCompress(QByteArray(64, 0)).mid(4)) + chunk("IEND", {});
}

// The bytes of a prepared report written field by field, as another program (or a hand) could:
// `pictures` as they are, then `pages`, each written by `page`.
struct CraftedReport {
  QByteArray bytes;
  QDataStream out{&bytes, QIODevice::WriteOnly};
  explicit CraftedReport(const QString& pdfName, const std::vector<QByteArray>& pictures = {}) {
    out.setVersion(QDataStream::Qt_6_4);
    out.writeRawData("HALCYRA PREPARED REPORT\n", 24);
    out << quint32(1);
    blob(pdfName.toUtf8());
    out << quint32(pictures.size());
    for (const QByteArray& p : pictures) blob(p);
  }
  void blob(const QByteArray& b) {
    out << quint32(b.size());
    out.writeRawData(b.constData(), int(b.size()));
  }
  // `boxes` filled boxes on a page of `width` x `height` mm titled `title`.
  void page(double width = 297, double height = 210, const QString& title = QStringLiteral("Summary"), int boxes = 0) {
    blob(title.toUtf8());
    out << width << height << quint32(0) << quint32(boxes);
    for (int i = 0; i < boxes; ++i)
      out << quint8(2) << qint32(-1) << 1.0 << 1.0 << 5.0 << 5.0 << quint8(1) << quint32(0xFFC0C0C0);
  }
  void pages(quint32 count) {
    out << count;
    for (quint32 i = 0; i < count; ++i) page();
  }
};

QString refusalOf(const QByteArray& bytes) {
  try {
    readReportBytes(bytes, QStringLiteral("received.hrep"));
    return {};
  } catch (const ReportFileError& e) {
    return QString::fromUtf8(e.what());
  }
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

TEST(ReportFile, IsSavedForItsOwnerAloneWhateverTheMask) {
  QTemporaryDir dir;
  const Umask mask(022);
  const QString path = dir.filePath("ABC1234.hrep");
  saveReportFile(everything(), path);
  EXPECT_EQ(modeOf(path), 0600u);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ABC1234.hrep"});
}

TEST(ReportFile, AReceivedReportNamesOnlyAPdfFileInTheFolderItIsExportedTo) {
  const std::pair<QString, QString> cases[] = {
      {"ABC1234.pdf", "ABC1234.pdf"},
      {"ABC1234.PDF", "ABC1234.pdf"},
      {"../../.bashrc", "___.._.bashrc.pdf"},
      {"/srv/halcyra/Brell_Data.db", "_srv_halcyra_Brell_Data.db.pdf"},
      {"..\\..\\boot.ini", "___.._boot.ini.pdf"},
      {".pdf", "report.pdf"},
      {"", "report.pdf"},
      {QString(300, QLatin1Char('A')), QString(100, QLatin1Char('A')) + ".pdf"},
  };
  for (const auto& [stored, plain] : cases) {
    SCOPED_TRACE(stored.toStdString());
    CraftedReport r(stored);
    r.pages(1);
    EXPECT_EQ(readReportBytes(r.bytes, "received.hrep").pdfFileName, plain);
  }
}

TEST(ReportFile, ACraftedReportAskingForMoreThanAReportMayHoldIsRefusedNamingTheLimit) {
  struct Case {
    const char* what;
    std::function<QByteArray()> bytes;
    const char* says;
  };
  // clang-format off
  const Case cases[] = {
      {"1001 empty pages", [] { CraftedReport r("X.pdf"); r.pages(1001); return r.bytes; },
       "it asks for 1001 pages, more than the 1000 a prepared report may have"},
      {"300,000 empty pages (8 MB)", [] { CraftedReport r("X.pdf"); r.pages(300000); return r.bytes; },
       "it asks for 300000 pages"},
      {"twelve pictures of 5000 x 5000", [] {
         CraftedReport r("X.pdf", std::vector<QByteArray>(12, claimingPng(5000, 5000)));
         r.pages(1);
         return r.bytes;
       }, "its pictures need more than the 100 million pixels a prepared report may have (picture 5 alone is 5000 x 5000)"},
      {"a picture of 2^31 pixels a side", [] {
         CraftedReport r("X.pdf", {claimingPng(0x7FFFFFFF, 0x7FFFFFFF)});
         r.pages(1);
         return r.bytes;
       }, "picture 1 cannot be read"},
      {"a page a kilometre wide", [] { CraftedReport r("X.pdf"); r.out << quint32(1); r.page(1e6, 1e6); return r.bytes; },
       "page 1 is 1e+06 x 1e+06 mm; a page of a prepared report measures 10 to 2000 mm a side"},
      {"a page without size", [] { CraftedReport r("X.pdf"); r.out << quint32(1); r.page(0, 0); return r.bytes; },
       "page 1 is 0 x 0 mm"},
      {"100,001 things on a page", [] { CraftedReport r("X.pdf"); r.out << quint32(1); r.page(297, 210, "Summary", 100001); return r.bytes; },
       "page 1 holds more than the 100000 things a page of a prepared report may have"},
      {"a page title of 10,001 letters", [] {
         CraftedReport r("X.pdf");
         r.out << quint32(1);
         r.page(297, 210, QString(10001, QLatin1Char('x')));
         return r.bytes;
       }, "it holds a text longer than the 10000 characters a prepared report may have"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString refusal = refusalOf(c.bytes());
    EXPECT_TRUE(refusal.startsWith("\"received.hrep\" cannot be opened as a prepared report: "))
        << refusal.toStdString();
    EXPECT_TRUE(refusal.contains(QString::fromUtf8(c.says))) << refusal.toStdString();
  }
  // What the program prepares is within every limit, and so is what it saves.
  EXPECT_NO_THROW(checkReportLimits(everything()));
}

TEST(ReportFile, APipeOrAFileFarLargerThanAnyReportIsRefusedWithoutReadingIt) {
  QTemporaryDir dir;
  const QString pipe = dir.filePath("received.hrep");
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const QString huge = dir.filePath("huge.hrep");
  {
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(300 * 1024 * 1024));  // a hole: no room taken on the disk
  }
  const std::pair<QString, QString> cases[] = {
      {pipe, QStringLiteral("\"%1\" is a pipe, not a file: a prepared report is read only from a file.").arg(pipe)},
      {huge, QStringLiteral("\"%1\" is 300 MB, more than a prepared report can be (at most 256 MB).").arg(huge)},
  };
  for (const auto& [path, message] : cases) {
    try {
      openReportFile(path);
      ADD_FAILURE() << "opened " << path.toStdString();
    } catch (const ReportFileError& e) {
      EXPECT_EQ(QString::fromUtf8(e.what()), message);
    }
  }
}
