// "Print" and PDF export of a course with six photographs: the report prepared from what the window
// shows (the photographs decoded, the course chart drawn as vectors, every page laid out) and its
// PDF file written to disk, beside libjpeg's plain encode of the same six pictures at the PDF's
// quality in the same run.
//
//   report_bench [--benchmark_filter=REGEX] [--benchmark_min_time=1]

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/JpegCodec.h"
#include "dosing/DefaultSchedules.h"
#include "dosing/TreatmentPlan.h"
#include "report/PdfWriter.h"
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
      const double rgb[3] = {(patch ? skin - 40 : skin) + noise(random), (patch ? skin - 90 : skin - 45) + noise(random),
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

// A course as the window shows it when "Print" is pressed: planned from an MED of 250, five
// treatments recorded, an assessment, the pictures, and six photographs stored as the program
// stores them (JPEG quality 90).
struct Course {
  report::ReportInput input;
  ui::ReportChart chart;  // kept, as the window keeps it, from one report to the next
  std::vector<QImage> pictures;  // the six photographs as decoded, for the plain encode

  Course() {
    report::ReportInput& in = input;
    in.locale = QLocale(QLocale::English, QLocale::UnitedKingdom);
    in.printDate = QDate(2025, 3, 21);
    in.surname = QStringLiteral("Whitfield");
    in.nhi = QStringLiteral("ABC1234");
    in.ageText = QStringLiteral("45.5");
    in.birthText = QStringLiteral("14/09/1979");
    in.diagnosis = QStringLiteral("Psioriasis");
    in.treatmentType = QStringLiteral("NB UVB - Low");
    in.medication = QStringLiteral("Methotrexate 10 mg weekly, emollients twice daily");
    in.pastHistory = QStringLiteral("Appendectomy 1998");
    in.contraindications = {false, true, false, false, false, true};
    in.address = QStringLiteral("12 Harbour Road\nPortside");
    in.referringPhysician = QStringLiteral("Dr Lock");
    in.therapist = QStringLiteral("Jane Doe");
    for (int r = 0; r < 5; ++r) {
      TCondition& c = in.records[static_cast<std::size_t>(r)];
      c.Condition = Same;
      c.Burn = r == 3 ? BurnI : NoBurn;
      c.Temperature = 36.5f;
      c.Dose = 200.0f + 25 * r;
      c.Txtime = "02:30";
      c.Initials = "AB";
      c.When = datetime::fromQDateTime(QDateTime(QDate(2025, 3, 3 + 2 * r), QTime(10, 0)));
    }
    dosing::PlanInput plan;
    plan.medText = QStringLiteral("250");
    plan.skinTypeText = QStringLiteral("Type III");
    plan.index = 2;
    plan.LSkin.fill(200);
    plan.ASkin.fill(250);
    plan.DSkin.fill(300);
    plan.MED_Min.fill(1);
    plan.MED_Max.fill(100000);
    for (std::size_t r = 0; r < kTreatments; ++r) plan.inc[r] = plan.defInc[r] = fmt::D(dosing::DefIncTable[2][r]);
    plan.records = in.records;
    const dosing::PlanOutput out = dosing::computePlan(plan);
    for (std::size_t r = 0; r < kTreatments; ++r)
      in.grid[r] = {fmt::D(static_cast<int>(r) + 1), QString(), out.dose[r], out.erythema[r], plan.inc[r]};
    chart.show(out.series, out.title);
    in.drawGraph = [this](QPainter& p, const QRectF& r) { chart.draw(p, r); };

    in.diagram = QImage(216, 263, QImage::Format_RGB888);
    in.diagram.fill(QColor(235, 235, 250));
    in.logo = QImage(160, 80, QImage::Format_RGB888);
    in.logo.fill(QColor(0, 120, 200));
    in.icon = QImage(32, 32, QImage::Format_ARGB32);
    in.icon.fill(QColor(255, 200, 0, 200));
    for (int i = 0; i < kPhotographs; ++i) {
      report::ReportPhotograph p;
      p.dateText = QStringLiteral("0%1/03/2025").arg(i + 1);
      p.note = QStringLiteral("Left elbow, week %1.\nPlaque thinner, less scale.").arg(i + 1);
      p.jpeg = jpeg::encode(photographLike(i), 90);
      pictures.push_back(jpeg::decode(p.jpeg));
      in.photographs.push_back(p);
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
