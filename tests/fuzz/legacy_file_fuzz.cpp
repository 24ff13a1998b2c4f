// The older system's patient files (*.UVB), on any bytes: the reader and the checks the import
// makes before it writes anything. Nothing crashes or allocates more than the file holds; a file
// is either refused with a reason or gives a patient key and names the store can take.

#include "FuzzSupport.h"
#include "records/LegacyFile.h"
#include "records/LegacyImport.h"

namespace {

bool trimmedWords(const QString& text) {
  return !text.startsWith(u' ') && !text.endsWith(u' ') && !text.contains(QLatin1String("  "));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ensureApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  records::LegacyRead read = records::readLegacyBytes(bytes);
  if (!read.ok()) {
    fuzz::expect(!read.problem.isEmpty(), "a refused file comes with its reason");
    return 0;
  }
  const records::LegacyPatient& p = read.patient;
  const qsizetype texts = p.fullName.size() + p.nhi.size() + p.age.size() + p.duration.size() + p.med.size();
  fuzz::expect(texts + 140 <= static_cast<qsizetype>(size), "the fields never hold more than the file");
  fuzz::expect(p.skinType >= 1 && p.skinType <= 7, "a read file has a skin type of 1..7");

  const records::LegacyImport checked = records::checkLegacyRead(QStringLiteral("fuzz.UVB"), std::move(read));
  if (checked.status != records::LegacyImport::Status::Checked) {
    fuzz::expect(checked.reason.startsWith(QLatin1String("fuzz.UVB")), "a skipped file's reason names it");
    return 0;
  }
  fuzz::expect(!checked.key.isEmpty() && checked.key.size() <= records::kLongestNhi && !checked.key.startsWith(u' '),
               "a checked file's patient key fits the NHI column and starts with no blank");
  fuzz::expect(trimmedWords(checked.names.first) && trimmedWords(checked.names.surname),
               "the split names are words joined by single blanks");
  fuzz::expect(checked.names.first.isEmpty() || !checked.names.surname.isEmpty(),
               "a first name never comes without a surname");
  (void)checked.file.ageYears();
  return 0;
}
