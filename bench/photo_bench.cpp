// Storing a photograph dropped on the window: a 12-megapixel phone photograph (4000 x 3000, JPEG
// quality 92, about what a phone writes) read from its file, decoded, stood upright, scaled into
// the 500 x 500 box, encoded again and inserted into a course, beside libjpeg's plain full-size
// decode of the same file in the same run.
//
//   photo_bench [--benchmark_filter=REGEX] [--benchmark_min_time=1]

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

#include "base/JpegCodec.h"
#include "diagram/Photographs.h"
#include "records/Database.h"
#include "records/Store.h"

namespace {

// A picture with a photograph's mix of smooth areas, edges and sensor noise: a flat or purely
// random picture would code and decode unlike a real one.
QImage photographLike(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB888);
  std::mt19937 random(12);
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int y = 0; y < height; ++y) {
    uchar* row = picture.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const bool patch = ((x / 350) + (y / 270)) % 3 == 0;  // blotches with sharp borders
      const double skin = 170 + 40.0 * x / width - 30.0 * y / height;
      const double r = (patch ? skin - 40 : skin) + noise(random);
      const double g = (patch ? skin - 90 : skin - 45) + noise(random);
      const double b = (patch ? skin - 100 : skin - 70) + noise(random);
      row[3 * x] = static_cast<uchar>(std::clamp(r, 0.0, 255.0));
      row[3 * x + 1] = static_cast<uchar>(std::clamp(g, 0.0, 255.0));
      row[3 * x + 2] = static_cast<uchar>(std::clamp(b, 0.0, 255.0));
    }
  }
  return picture;
}

struct Fixture {
  QTemporaryDir dir;
  QString landscape, portrait;  // the same photograph, the second with EXIF orientation 6
  QByteArray bytes;
  std::unique_ptr<records::Store> data;

  Fixture() {
    bytes = jpeg::encode(photographLike(4000, 3000), 92);
    landscape = write("photo.jpg", bytes);
    portrait = write("portrait.jpg", withOrientation6(bytes));
    std::fprintf(stderr, "photograph: 4000 x 3000, %lld bytes\n", static_cast<long long>(bytes.size()));

    records::createDatabase(dir.path());
    data = std::make_unique<records::Store>();
    data->firstName = data->secondName = [] { return QString(); };
    data->log = [](const QString&) {};
    if (data->open(dir.path()) != records::Store::ConnectResult::Connected) throw std::runtime_error("no database");
    data->addPatient("PHO1234", "Bench", records::Store::AfterAdd::KeepCourse);
    data->addCourse();
  }

  QString write(const QString& name, const QByteArray& content) {
    const QString path = QDir(dir.path()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) throw std::runtime_error("write");
    return path;
  }

  static QByteArray withOrientation6(const QByteArray& jpeg) {
    const QByteArray segment = QByteArray::fromHex(
        "ffe10022"
        "457869660000"  // APP1, length 34, "Exif\0\0"
        "49492a0008000000"
        "0100"
        "120103000100000006000000"
        "00000000");
    return jpeg.left(2) + segment + jpeg.mid(2);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// libjpeg on its own: the whole picture decoded at full size into one buffer, nothing else.
void BM_PlainFullDecode(benchmark::State& state) {
  const QByteArray& bytes = fixture().bytes;
  std::vector<JSAMPLE> pixels;
  for (auto _ : state) {
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    pixels.resize(std::size_t(c.output_width) * c.output_height * 3);
    while (c.output_scanline < c.output_height) {
      JSAMPROW row = pixels.data() + std::size_t(c.output_scanline) * c.output_width * 3;
      jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// What a drop does per file: read, decode, stand upright, scale, date, encode, insert.
void BM_StorePhotograph(benchmark::State& state) {
  Fixture& f = fixture();
  const QString& path = state.range(0) ? f.portrait : f.landscape;
  for (auto _ : state) {
    const diagram::PhotographFile photograph = diagram::readPhotographFile(path);
    f.data->addPhotograph(photograph.picture, photograph.whenDate);
  }
}

// The parts of it.
void BM_ScalePhotograph(benchmark::State& state) {
  const QByteArray& bytes = fixture().bytes;
  for (auto _ : state) benchmark::DoNotOptimize(diagram::scalePhotograph(bytes));
}

void BM_EncodeStored(benchmark::State& state) {
  const QImage picture = diagram::scalePhotograph(fixture().bytes);
  for (auto _ : state) benchmark::DoNotOptimize(jpeg::encode(picture, 90));
}

// The scaling without the codec's reduction: full-size decode, then Qt's area-averaging shrink.
void BM_ScaleFromFullSize(benchmark::State& state) {
  const QByteArray& bytes = fixture().bytes;
  for (auto _ : state) {
    const QImage full = jpeg::decode(bytes);
    benchmark::DoNotOptimize(
        full.convertToFormat(QImage::Format_RGB32).scaled(500, 375, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
}

}  // namespace

BENCHMARK(BM_PlainFullDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StorePhotograph)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScalePhotograph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeStored)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleFromFullSize)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  fixture();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
