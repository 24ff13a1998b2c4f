// The prepared report's reader, on any bytes: it never crashes, never reads beyond the bytes and
// never makes more than a report may ask for; a report it takes keeps within the limits, names a
// plain PDF file, writes back to bytes that read as the same report, and can be searched and drawn
// as the preview does.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <cstdlib>

#include "FuzzSupport.h"
#include "report/FileNames.h"
#include "report/PainterRenderer.h"
#include "report/ReportFile.h"
#include "report/TextSearch.h"

using namespace report;

namespace {

// The pixels of the report's pictures, each picture counted once however often it is drawn.
qint64 picturePixels(const PreparedReport& r) {
  QSet<qint64> seen;
  qint64 pixels = 0;
  for (const PreparedPage& page : r.pages)
    for (const Item& item : page.items)
      if (const auto* image = std::get_if<Image>(&item.what); image && !seen.contains(image->image.cacheKey())) {
        seen.insert(image->image.cacheKey());
        pixels += qint64(image->image.width()) * image->image.height();
      }
  return pixels;
}

// Pages alike in what they draw: the same things in the same order, texts and places the same,
// pictures of the same size (their pixels go through PNG and back).
bool sameReport(const PreparedReport& a, const PreparedReport& b) {
  if (a.pdfFileName != b.pdfFileName || a.pages.size() != b.pages.size()) return false;
  for (std::size_t p = 0; p < a.pages.size(); ++p) {
    const PreparedPage& x = a.pages[p];
    const PreparedPage& y = b.pages[p];
    if (x.title != y.title || x.size != y.size || x.clips != y.clips || x.items.size() != y.items.size()) return false;
    for (std::size_t i = 0; i < x.items.size(); ++i) {
      const auto* ix = std::get_if<Image>(&x.items[i].what);
      const auto* iy = std::get_if<Image>(&y.items[i].what);
      if (ix || iy) {
        if (!ix || !iy || ix->rect != iy->rect || ix->image.size() != iy->image.size()) return false;
      } else if (!(x.items[i] == y.items[i])) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Drawing needs fonts, which need a graphical application object: on the offscreen platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "halcyra-fuzz";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PreparedReport read;
  try {
    read = readReportBytes(fuzz::bytesOf(data, size), QStringLiteral("fuzz.hrep"));
  } catch (const ReportFileError& e) {
    fuzz::expect(QString::fromUtf8(e.what()).contains(QLatin1String("fuzz.hrep")), "a refusal names the file");
    return 0;
  }

  fuzz::expect(read.pages.size() <= static_cast<std::size_t>(kMostReportPages), "no more pages than a report may have");
  for (const PreparedPage& page : read.pages) {
    fuzz::expect(page.size.width() >= kSmallestReportPageSide && page.size.width() <= kLargestReportPageSide &&
                     page.size.height() >= kSmallestReportPageSide && page.size.height() <= kLargestReportPageSide,
                 "every page measures within the limits");
    fuzz::expect(page.items.size() + page.clips.size() <= static_cast<std::size_t>(kMostItemsPerReportPage),
                 "no page holds more than a page may");
  }
  fuzz::expect(picturePixels(read) <= kMostReportPixels, "the pictures hold no more pixels than a report may");
  fuzz::expect(read.pdfFileName == plainPdfFileName(read.pdfFileName), "the PDF file's name is a plain one");
  fuzz::expect(read.pdfFileName.endsWith(QLatin1String(".pdf")) && !read.pdfFileName.contains(QLatin1Char('/')) &&
                   !read.pdfFileName.startsWith(QLatin1Char('.')),
               "the PDF file's name stays in its folder");

  // Written again, it reads as the same report.
  const PreparedReport again = readReportBytes(reportBytes(read), QStringLiteral("again.hrep"));
  fuzz::expect(sameReport(read, again), "a report taken writes back as the same report");

  // What the preview does with it: find, and draw every page (small, to keep the fuzzer quick).
  findText(read, QStringLiteral("a"));
  for (const PreparedPage& page : read.pages) {
    QImage canvas(std::max(1, int(page.size.width() / 4)), std::max(1, int(page.size.height() / 4)),
                  QImage::Format_RGB32);
    QPainter painter(&canvas);
    drawPage(painter, page, 0.25);
  }
  return 0;
}
