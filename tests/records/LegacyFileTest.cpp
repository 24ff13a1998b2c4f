// Reading the older system's patient files (*.UVB) and splitting their full names.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "base/DateTime.h"
#include "records/LegacyFile.h"
#include "support/LocaleScope.h"

using namespace records;

// Failures show texts as text.
void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// Builds the bytes of a legacy file field by field and remembers where each field starts.
class LegacyBytes {
 public:
  LegacyBytes& text(const QByteArray& bytes) { return length(static_cast<std::int32_t>(bytes.size())).raw(bytes); }
  LegacyBytes& length(std::int32_t n) { return integer(n); }
  LegacyBytes& integer(std::int32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.append(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  LegacyBytes& raw(const QByteArray& bytes) {
    bytes_.append(bytes);
    return *this;
  }
  LegacyBytes& field() {  // the next field starts here
    starts_.push_back(bytes_.size());
    return *this;
  }
  const QByteArray& bytes() const { return bytes_; }
  // The field (1..7) holding byte `index`.
  int fieldAt(qsizetype index) const {
    int field = 0;
    for (std::size_t f = 0; f < starts_.size(); ++f) {
      if (index >= starts_[f]) field = static_cast<int>(f) + 1;
    }
    return field;
  }

 private:
  QByteArray bytes_;
  std::vector<qsizetype> starts_;
};

struct Fields {
  QByteArray name = "John Smith";
  QByteArray nhi = "ABC1234";
  QByteArray age = "45.5";
  QByteArray duration = "3 years";
  std::int32_t skinType = 3;
  QByteArray med = "220";
  std::array<std::int32_t, kTreatments> increments{};
  Fields() {
    for (int k = 0; k < kTreatments; ++k) increments[static_cast<std::size_t>(k)] = 20 - k;
  }
};

LegacyBytes legacyFile(const Fields& f = Fields()) {
  LegacyBytes b;
  b.field().text(f.name).field().text(f.nhi).field().text(f.age).field().text(f.duration);
  b.field().integer(f.skinType).field().text(f.med).field();
  for (std::int32_t inc : f.increments) b.integer(inc);
  return b;
}

// The bytes in a heap block of exactly their size, so that a read past them is caught.
class ExactBytes {
 public:
  explicit ExactBytes(QByteArrayView bytes)
      : storage_(std::make_unique<char[]>(static_cast<std::size_t>(std::max<qsizetype>(bytes.size(), 1)))),
        size_(bytes.size()) {
    if (size_ > 0) std::memcpy(storage_.get(), bytes.data(), static_cast<std::size_t>(size_));
  }
  QByteArrayView view() const { return QByteArrayView(storage_.get(), size_); }

 private:
  std::unique_ptr<char[]> storage_;
  qsizetype size_;
};

LegacyRead read(const QByteArray& bytes) {
  const ExactBytes exact(bytes);
  return readLegacyBytes(exact.view());
}

TEST(LegacyFileNames, SplitsAsTheOlderSystemDid) {
  struct Case {
    QString full;
    QString first;
    QString surname;
  };
  // clang-format off
  const Case cases[] = {
      {"John Smith", "John", "Smith"},
      {"John Paul Smith", "John", "Paul Smith"},
      {"J Paul Smith", "J Paul", "Smith"},
      {"Dr John Smith", "Dr John", "Smith"},
      {"Mary Ng", "", "Mary"},                 // the final two-letter word is dropped
      {"Smith", "", "Smith"},
      {"  John Smith", "John", "Smith"},
      {"John  Smith", "John", "Smith"},
      {"  John   Paul    Smith  ", "John", "Paul Smith"},
      {"John Paul George Smith", "John", "Paul George Smith"},
      {"Jo Ann Mary Smith", "Jo Ann", "Mary Smith"},
      {"Ann Mary Smith", "Ann", "Mary Smith"},  // three letters are a first name, not a title
      {"Tom Li", "", "Tom"},
      {"Smith J", "", "Smith"},
      {"Al", "", ""},                          // 2 characters or fewer: no word at all
      {"", "", ""},
      {QString(5000, QLatin1Char(' ')), "", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.full.left(40).toStdString());
    const NameParts parts = splitFullName(c.full);
    EXPECT_EQ(parts.first, c.first);
    EXPECT_EQ(parts.surname, c.surname);
  }
}

TEST(LegacyFileNames, PatientKeyFromTheNhi) {
  struct Case {
    QString nhi;
    QString key;
  };
  // clang-format off
  const Case cases[] = {
      {"ABC1234", "ABC1234"},
      {"  ABC1234", "ABC1234"},
      {"AB 12 ", "AB 12 "},  // only leading blanks go
      {"", "BLANK"},
      {"    ", "BLANK"},     // blanks only: one key for all, like an empty number
      {"O'Brien", "O'Brien"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nhi.toStdString());
    EXPECT_EQ(legacyPatientKey(c.nhi), c.key);
  }
}

TEST(LegacyFileText, Windows1252) {
  struct Case {
    QByteArray bytes;
    QString text;
  };
  const Case cases[] = {
      {"Smith", "Smith"},
      {"Ren\xe9", QStringLiteral(u"Ren\u00e9")},
      {"\x80", QStringLiteral(u"\u20ac")},
      {"\x8a\x9a\x9f", QStringLiteral(u"\u0160\u0161\u0178")},
      {"\x91O\x92", QStringLiteral(u"\u2018O\u2019")},
      {"\x81\x8d\x8f\x90\x9d", QStringLiteral(u"\u0081\u008d\u008f\u0090\u009d")},  // undefined in the code page
      {"\xa0\xff", QStringLiteral(u"\u00a0\u00ff")},
      {QByteArray("a\0b", 3), QString::fromUtf16(u"a\u0000b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.toHex().toStdString());
    EXPECT_EQ(fromWindows1252(c.bytes), c.text);
  }
}

TEST(LegacyFileRead, AFullFileGivesEveryField) {
  Fields f;
  f.name = "Ren\xe9 \x80uro Smith";
  f.nhi = "O'B1234";
  f.increments[0] = -5;
  f.increments[1] = 32767;
  f.increments[28] = 2147483647;
  const LegacyBytes b = legacyFile(f);
  ASSERT_EQ(b.bytes().size(), 140 + f.name.size() + f.nhi.size() + f.age.size() + f.duration.size() + f.med.size());

  const LegacyRead r = read(b.bytes());
  ASSERT_TRUE(r.ok()) << r.problem.toStdString();
  EXPECT_TRUE(r.problem.isEmpty());
  const LegacyPatient& p = r.patient;
  EXPECT_EQ(p.fullName, QStringLiteral(u"Ren\u00e9 \u20acuro Smith"));
  EXPECT_EQ(p.nhi, "O'B1234");
  EXPECT_EQ(legacyPatientKey(p.nhi), "O'B1234");
  EXPECT_EQ(p.age, "45.5");
  EXPECT_EQ(p.duration, "3 years");
  EXPECT_EQ(p.skinType, 3);
  EXPECT_EQ(p.med, "220");
  EXPECT_EQ(p.increments, f.increments);
  EXPECT_TRUE(std::isnan(p.modified));

  const NameParts parts = splitFullName(p.fullName);
  EXPECT_EQ(parts.first, QStringLiteral(u"Ren\u00e9"));
  EXPECT_EQ(parts.surname, QStringLiteral(u"\u20acuro Smith"));
}

TEST(LegacyFileRead, NothingAfterFieldSevenIsRead) {
  const LegacyBytes b = legacyFile();
  QByteArray data = b.bytes() + QByteArray("trailing bytes of another program");
  QBuffer buffer(&data);
  ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
  const LegacyRead r = readLegacyDevice(buffer);
  ASSERT_TRUE(r.ok()) << r.problem.toStdString();
  EXPECT_EQ(buffer.pos(), b.bytes().size());
}

TEST(LegacyFileRead, EmptyTextsAreFine) {
  Fields f;
  f.name = f.nhi = f.age = f.duration = f.med = "";
  const LegacyRead r = read(legacyFile(f).bytes());
  ASSERT_TRUE(r.ok()) << r.problem.toStdString();
  EXPECT_EQ(legacyPatientKey(r.patient.nhi), "BLANK");
  EXPECT_FALSE(r.patient.wholeMed());
}

TEST(LegacyFileRead, AFileCutShortAnywhereNamesTheField) {
  const LegacyBytes b = legacyFile();
  for (qsizetype size = 0; size < b.bytes().size(); ++size) {
    const int field = b.fieldAt(size);  // the byte that is missing first
    SCOPED_TRACE(testing::Message() << size << " bytes, field " << field);
    const LegacyRead r = read(b.bytes().left(size));
    EXPECT_EQ(r.status, LegacyRead::Status::Malformed);
    EXPECT_TRUE(r.problem.contains(QStringLiteral("field %1 (").arg(field))) << r.problem.toStdString();
  }
  EXPECT_EQ(read(b.bytes().left(16)).problem, "the file ends inside field 2 (NHI)");
  EXPECT_EQ(read(b.bytes().left(b.bytes().size() - 2)).problem,
            "the file ends inside field 7 (increments), at increment 29 of 29");
}

TEST(LegacyFileRead, ImpossibleLengthsAndSkinTypes) {
  struct Case {
    const char* what;
    QByteArray bytes;
    const char* problem;  // empty: the file is read
  };
  const auto withSkin = [](std::int32_t skin) {
    Fields f;
    f.skinType = skin;
    return legacyFile(f).bytes();
  };
  const QByteArray rest = legacyFile().bytes().mid(4 + 10);  // everything after the name
  const Case cases[] = {
      {"a name of 2 GB", LegacyBytes().length(2147483647).raw("John").bytes(),
       "field 1 (full name) is 2147483647 bytes long, but only 4 bytes are left in the file"},
      {"a name longer than the file", LegacyBytes().length(11).raw("John Smith").bytes(),
       "field 1 (full name) is 11 bytes long, but only 10 bytes are left in the file"},
      {"a negative length", LegacyBytes().text("John Smith").length(-1).raw(rest).bytes(),
       "field 2 (NHI) has a negative length (-1)"},
      {"the most negative length",
       LegacyBytes().text("John Smith").text("N1").text("45").length(-2147483647 - 1).bytes(),
       "field 4 (duration) has a negative length (-2147483648)"},
      {"skin type 0", withSkin(0), "skin type 0 is outside 1..7 (field 5)"},
      {"skin type 1", withSkin(1), ""},
      {"skin type 7 (Agressive)", withSkin(7), ""},
      {"skin type 8", withSkin(8), "skin type 8 is outside 1..7 (field 5)"},
      {"skin type -1", withSkin(-1), "skin type -1 is outside 1..7 (field 5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LegacyRead r = read(c.bytes);
    EXPECT_EQ(r.problem, QString::fromUtf8(c.problem));
    EXPECT_EQ(r.status, *c.problem ? LegacyRead::Status::Malformed : LegacyRead::Status::Read);
  }
}

TEST(LegacyFileRead, MedAndAgeVerdicts) {
  struct Case {
    QString text;
    std::optional<std::int32_t> med;
    std::optional<double> age;
  };
  const Case cases[] = {
      {"220", 220, 220.0},
      {" 45", 45, 45.0},
      {"45.5", std::nullopt, 45.5},
      {"45,5", std::nullopt, 45.5},  // written on a machine whose language writes a decimal comma
      {"45 years", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"abc", std::nullopt, std::nullopt},
      {"-3", -3, -3.0},
      {"99999999999", std::nullopt, 99999999999.0},
  };
  // The reader's own language makes no difference.
  for (const char* locale : {"C", "de_DE.UTF-8", "tr_TR.UTF-8"}) {
    const LocaleScope scope(locale);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << locale << ": " << c.text.toStdString());
      LegacyPatient p;
      p.med = c.text;
      p.age = c.text;
      EXPECT_EQ(p.wholeMed(), c.med);
      EXPECT_EQ(p.ageYears(), c.age);
    }
  }
}

TEST(LegacyFileRead, FromAPathWithItsModificationTime) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString good = dir.filePath(QStringLiteral("SMITH.UVB"));
  const QString cut = dir.filePath(QStringLiteral("SHORT.UVB"));
  const QString missing = dir.filePath(QStringLiteral("NONE.UVB"));
  const QByteArray bytes = legacyFile().bytes();
  for (const auto& [path, data] : {std::pair{good, bytes}, std::pair{cut, bytes.left(27)}}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
  }
  const QDateTime stamp(QDate(2004, 3, 9), QTime(14, 30, 0));
  {
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
  }

  const LegacyRead r = readLegacyFile(good);
  ASSERT_TRUE(r.ok()) << r.problem.toStdString();
  EXPECT_EQ(r.patient.fullName, "John Smith");
  EXPECT_DOUBLE_EQ(r.patient.modified, datetime::fromQDateTime(stamp));
  EXPECT_EQ(datetime::toQDateTime(r.patient.modified), stamp);

  const LegacyRead shortRead = readLegacyFile(cut);
  EXPECT_EQ(shortRead.status, LegacyRead::Status::Malformed);
  EXPECT_TRUE(shortRead.problem.startsWith(QDir::toNativeSeparators(cut) + QStringLiteral(": ")))
      << shortRead.problem.toStdString();
  EXPECT_TRUE(shortRead.problem.contains(QStringLiteral("field 3 (age)"))) << shortRead.problem.toStdString();

  const LegacyRead none = readLegacyFile(missing);
  EXPECT_EQ(none.status, LegacyRead::Status::Unreadable);
  EXPECT_TRUE(none.problem.contains(QDir::toNativeSeparators(missing))) << none.problem.toStdString();
}

TEST(LegacyFileRead, APipeOrAFileLargerThanAnyPatientFileIsUnreadableAndNamedAtOnce) {
  QTemporaryDir dir;
  const QString pipe = dir.filePath(QStringLiteral("x.UVB"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);  // nobody writes it
  const QString huge = dir.filePath(QStringLiteral("HUGE.UVB"));
  {
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(20 * 1024 * 1024));  // a hole: no room taken on the disk
  }
  const std::pair<QString, QString> cases[] = {
      {pipe, QStringLiteral("\"%1\" is a pipe, not a file: a patient file is read only from a file.").arg(pipe)},
      {huge, QStringLiteral("\"%1\" is 20 MB, more than a patient file can be (at most 1 MB).").arg(huge)},
  };
  for (const auto& [path, problem] : cases) {
    const LegacyRead r = readLegacyFile(path);
    EXPECT_EQ(r.status, LegacyRead::Status::Unreadable);
    EXPECT_EQ(r.problem, problem);
  }
}

}  // namespace
