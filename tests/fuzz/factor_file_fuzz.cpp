// The dose factor file reader, on any bytes: it never crashes, never reads past the bytes, and
// whatever it reads writes back to a file that reads as the same calibration.

#include <cstring>

#include "FuzzSupport.h"
#include "dosing/FactorFile.h"

namespace {

bool sameNumbers(const FactorTables& a, const FactorTables& b) {
  // Compared bit for bit: a NaN coefficient in a file must come back as the same NaN.
  auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
  return same(a.ESF, b.ESF) && same(a.Lighter, b.Lighter) && same(a.Average, b.Average) && same(a.Darker, b.Darker) &&
         a.MED_Min == b.MED_Min && a.MED_Max == b.MED_Max && a.Min_DA == b.Min_DA && a.Max_DA == b.Max_DA &&
         a.Default_Lang == b.Default_Lang && a.Default_Format == b.Default_Format;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ensureApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  FactorTables read;
  try {
    read = dosing::readFactorBytes(bytes);
  } catch (const dosing::FactorFileError&) {
    return 0;  // a logo that is not a bitmap: refused with a message
  }
  fuzz::expect(read.Default_Format.size() <= static_cast<std::size_t>(size),
               "the pattern is never longer than the file");

  // The numbers and the pattern survive writing and reading again (the logo is left out: its
  // pixels are the image reader's business).
  read.Logo = QImage();
  const FactorTables again = dosing::readFactorBytes(dosing::factorFileBytes(read));
  fuzz::expect(sameNumbers(read, again), "a calibration reads back as it was written");
  return 0;
}
