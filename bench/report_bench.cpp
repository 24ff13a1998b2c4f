// "Print" and PDF export of a course with six photographs: the report prepared from what the window
// shows (the photographs decoded, the course chart drawn as vectors, every page laid out) and its
// PDF file written to disk, beside libjpeg's plain encode of the same six pictures at the PDF's
// quality in the same run.
//
//   report_bench [--benchmark_filter=REGEX] [--benchmark_min_time=1]

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "base/JpegCodec.h"
#include "report/PdfWriter.h"
#include "report/ReportFixtures.h"
#include "report/TreatmentReport.h"
#include "ui/report/ReportChart.h"

namespace {

constexpr int kPhotographs = 6;
constexpr int kQuality = 95;

// A stored photograph (500 x 375) with a photograph's mix of smooth skin, sharp-edged patches and
// sensor noise, so that it codes as a real one does.
QImage photographLike(int seed) {
  QImage picture(500, 375, QImage::Format_RGB888);
  std::mt19937 random(static_cast<unsigned>(seed));
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int y = 0; y < picture.height(); ++y) {
    uchar* row = picture.scanLine(y);
    for (int x = 0; x < picture.width(); ++x) {
      const bool patch = ((x + 37 * seed) / 90 + y / 70) % 3 == 0;
      const double skin = 170 + 40.0 * x / picture.width() - 30.0 * y / picture.height();
      const double rgb[3] = {(patch ? skin - 40 : skin) + noise(random),
                             (patch ? skin - 90 : skin - 45) + noise(random),
                             (patch ? skin - 100 : skin - 70) + noise(random)};
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uchar>(std::clamp(rgb[c], 0.0, 255.0));
    }
  }
  return picture;
}

// libjpeg alone: baseline colour JPEG at the PDF's quality, into memory.
std::size_t plainEncode(const QImage& rgb888) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(rgb888.width());
  cinfo.image_height = static_cast<JDIMENSION>(rgb888.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, kQuality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb888.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return size;
}

// A course as the window shows it when "Print" is pressed (the tests' sample course: a plan of 29
// treatments with three recorded, an assessment, a logo, an icon and a diagram) with six
// photographs stored as the program stores them (JPEG quality 90).
struct Course {
  report::ReportInput input = report_fixtures::sampleInput();
  ui::ReportChart chart;         // kept, as the window keeps it, from one report to the next
  std::vector<QImage> pictures;  // the six photographs as decoded, for the plain encode

  Course() {
    const dosing::PlanOutput plan = report_fixtures::samplePlan(input.records);
    chart.show(plan.series, plan.title);
    input.drawGraph = [this](QPainter& p, const QRectF& r) { chart.draw(p, r); };
    for (int i = 0; i < kPhotographs; ++i) {
      report::ReportPhotograph p;
      p.dateText = QStringLiteral("0%1/03/2025").arg(i + 1);
      p.note = QStringLiteral("Left elbow, week %1.\nPlaque thinner, less scale.").arg(i + 1);
      p.jpeg = jpeg::encode(photographLike(i), 90);
      pictures.push_back(jpeg::decode(p.jpeg));
      input.photographs.push_back(p);
    }
  }
};

Course& course() {
  static Course c;
  return c;
}

// The PDF file goes where the export puts it: into a folder on the local disk.
QString pdfPath() {
  static QTemporaryDir dir;
  return dir.filePath(QStringLiteral("ABC1234.pdf"));
}

void BM_PrepareAndWritePdf(benchmark::State& state) {
  Course& c = course();
  for (auto _ : state) report::writePdf(report::prepareTreatmentReport(c.input), pdfPath());
  state.counters["pdf_bytes"] = static_cast<double>(QFileInfo(pdfPath()).size());
}
BENCHMARK(BM_PrepareAndWritePdf)->Unit(benchmark::kMillisecond);

void BM_Prepare(benchmark::State& state) {
  Course& c = course();
  for (auto _ : state) benchmark::DoNotOptimize(report::prepareTreatmentReport(c.input));
}
BENCHMARK(BM_Prepare)->Unit(benchmark::kMillisecond);

void BM_WritePdf(benchmark::State& state) {
  const report::PreparedReport r = report::prepareTreatmentReport(course().input);
  for (auto _ : state) report::writePdf(r, pdfPath());
}
BENCHMARK(BM_WritePdf)->Unit(benchmark::kMillisecond);

// What the preparation cannot do without: the codec's decode of the six stored photographs.
void BM_DecodeSixPhotographs(benchmark::State& state) {
  Course& c = course();
  for (auto _ : state)
    for (const report::ReportPhotograph& p : c.input.photographs) benchmark::DoNotOptimize(jpeg::decode(p.jpeg));
}
BENCHMARK(BM_DecodeSixPhotographs)->Unit(benchmark::kMillisecond);

// The baseline: libjpeg's plain encode of the six photographs at quality 95.
void BM_PlainEncodeSixPictures(benchmark::State& state) {
  Course& c = course();
  for (auto _ : state)
    for (const QImage& picture : c.pictures) benchmark::DoNotOptimize(plainEncode(picture));
}
BENCHMARK(BM_PlainEncodeSixPictures)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);  // the course chart draws with Qt Charts
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
