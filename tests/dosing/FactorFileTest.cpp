// Reading and writing the dose factor file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <bit>
#include <cstring>
#include <limits>
#include <optional>

#include "dosing/FactorFile.h"
#include "dosing/FactorFixtures.h"

using namespace factor_fixtures;
using dosing::FactorFileError;
using dosing::readFactorBytes;

namespace {

// Field by field, doubles by their bits: a partly read double is not a round number.
void expectSameTables(const FactorTables& actual, const FactorTables& expected) {
  const auto bits = [](const auto& array) {
    std::vector<std::uint64_t> out;
    for (double v : array) out.push_back(std::bit_cast<std::uint64_t>(v));
    return out;
  };
  EXPECT_EQ(std::bit_cast<std::uint64_t>(actual.ESF), std::bit_cast<std::uint64_t>(expected.ESF)) << "ESF";
  EXPECT_EQ(bits(actual.Lighter), bits(expected.Lighter)) << "Lighter";
  EXPECT_EQ(bits(actual.Average), bits(expected.Average)) << "Average";
  EXPECT_EQ(bits(actual.Darker), bits(expected.Darker)) << "Darker";
  EXPECT_EQ(actual.MED_Min, expected.MED_Min) << "MED_Min";
  EXPECT_EQ(actual.MED_Max, expected.MED_Max) << "MED_Max";
  EXPECT_EQ(actual.Min_DA, expected.Min_DA) << "Min_DA";
  EXPECT_EQ(actual.Max_DA, expected.Max_DA) << "Max_DA";
  EXPECT_EQ(actual.Default_Lang, expected.Default_Lang) << "Default_Lang";
  EXPECT_EQ(actual.Default_Format, expected.Default_Format) << "Default_Format";
}

FactorTables withTail(std::int32_t lang, std::string pattern) {
  FactorTables t = sampleTables();
  t.Default_Lang = lang;
  t.Default_Format = std::move(pattern);
  return t;
}

struct ReadCase {
  const char* name;
  QByteArray bytes;
  FactorTables expected;
  std::optional<QSize> logo;  // none: no logo
};

std::vector<ReadCase> readCases() {
  const FactorTables full = sampleTables();
  const QByteArray fixed = fixedPart(full);
  const QByteArray bmp = bmpBytes();
  const QSize logoSize = sampleLogoImage().size();

  FactorTables first200;  // ESF and the Sensitive table only
  first200.ESF = full.ESF;
  first200.Lighter = full.Lighter;

  // A file ending two bytes into MED_Min[0]: those two bytes are its low-order end.
  FactorTables cutInsideInt = full;
  cutInsideInt.MED_Min = {};
  cutInsideInt.MED_Max = {};
  cutInsideInt.Min_DA = {};
  cutInsideInt.Max_DA = {};
  QByteArray cutInt = fixed.left(584) + le32(0x01020304).left(2);
  cutInsideInt.MED_Min[0] = 0x0304;

  // A file of 3 bytes: the low-order bytes of ESF.
  FactorTables cutInsideDouble;
  cutInsideDouble.ESF = std::bit_cast<double>(std::uint64_t{0xC0FFEE});

  // clang-format off
  return {
      {"empty file", QByteArray(), FactorTables{}, std::nullopt},
      {"three bytes fill the low end of ESF", QByteArray("\xEE\xFF\xC0", 3), cutInsideDouble, std::nullopt},
      {"200 bytes: ESF and Lighter only", fixed.left(200), first200, std::nullopt},
      {"ends two bytes into MED_Min", cutInt, cutInsideInt, std::nullopt},
      {"exactly the fixed part: no tail", fixed, full, std::nullopt},
      {"pattern, then the end of the file", fixed + tail(2, "LLL0000"), withTail(2, "LLL0000"), std::nullopt},
      {"empty pattern followed by a logo", fixed + tail(3, "") + bmp, withTail(3, ""), logoSize},
      {"pattern and logo", fixed + tail(7, "L0-0L") + bmp, withTail(7, "L0-0L"), logoSize},
      {"pattern bytes kept as they are", fixed + tail(1, QByteArray("A\0\xE9\\", 4)), withTail(1, std::string("A\0\xE9\\", 4)),
       std::nullopt},
      // Damaged tails: what is present is kept, nothing beyond the file is read or allocated.
      {"tail ends inside Default_Lang", fixed + QByteArray("\x02\x01", 2), withTail(0x0102, ""), std::nullopt},
      {"tail ends inside N", fixed + le32(5) + QByteArray("\x03", 1), withTail(5, ""), std::nullopt},
      {"negative N: no pattern, no logo", fixed + le32(4) + le32(-7) + QByteArray("LLL0000") + bmp, withTail(4, ""),
       std::nullopt},
      {"N beyond the end: the remaining bytes", fixed + le32(2) + le32(100) + QByteArray("LL00"), withTail(2, "LL00"),
       std::nullopt},
      {"N of 2^31-1 with a logo behind it", fixed + le32(2) + le32(std::numeric_limits<std::int32_t>::max()) + bmp,
       withTail(2, bmp.toStdString()), std::nullopt},
  };
  // clang-format on
}

TEST(FactorFileRead, ByteImages) {
  for (const ReadCase& c : readCases()) {
    SCOPED_TRACE(c.name);
    FactorTables t;
    ASSERT_NO_THROW(t = readFactorBytes(c.bytes, QStringLiteral("UVB_Factors.Dat")));
    expectSameTables(t, c.expected);
    if (c.logo) {
      ASSERT_FALSE(t.Logo.isNull());
      EXPECT_EQ(t.Logo.size(), *c.logo);
      EXPECT_EQ(t.Logo.pixelColor(2, 1), sampleLogoImage().pixelColor(2, 1));
    } else {
      EXPECT_TRUE(t.Logo.isNull());
    }
  }
}

TEST(FactorFileRead, LogoThatIsNotABitmapNamesTheFile) {
  const QByteArray fixed = fixedPart(sampleTables());
  const QByteArray bmp = bmpBytes();
  const struct {
    const char* name;
    QByteArray logo;
    // clang-format off
  } cases[] = {
      {"one stray byte", QByteArray("\x00", 1)},
      {"text", QByteArray("not a bitmap at all")},
      {"bitmap cut off inside its pixel rows", bmp.left(bmp.size() - 10)},
      {"bitmap cut off inside its header", bmp.left(20)},
      {"header claims a huge image", [&] {
         QByteArray b = bmp;
         qToLittleEndian<std::int32_t>(20000, b.data() + 18);
         qToLittleEndian<std::int32_t>(20000, b.data() + 22);
         return b;
       }()},
      {"header claims the largest image its fields can hold", [&] {
         QByteArray b = bmp;
         qToLittleEndian<std::int32_t>(std::numeric_limits<std::int32_t>::max(), b.data() + 18);
         qToLittleEndian<std::int32_t>(std::numeric_limits<std::int32_t>::min(), b.data() + 22);
         qToLittleEndian<std::uint16_t>(32, b.data() + 28);
         return b;
       }()},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      readFactorBytes(fixed + tail(2, "LLL0000") + c.logo, QStringLiteral("/site/UVB_Factors.Dat"));
      ADD_FAILURE() << "no error";
    } catch (const FactorFileError& e) {
      EXPECT_TRUE(e.message().contains(QStringLiteral("\"/site/UVB_Factors.Dat\""))) << e.what();
      EXPECT_TRUE(e.message().contains(QStringLiteral("not a valid bitmap"))) << e.what();
    }
  }
}

TEST(FactorFileRead, FromDiskAndMissingFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("UVB_Factors.Dat"));
  const QByteArray bytes = fixedPart(sampleTables()) + tail(2, "LLL0000") + bmpBytes();
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  const FactorTables t = dosing::readFactorFile(path);
  expectSameTables(t, withTail(2, "LLL0000"));
  EXPECT_EQ(t.Logo.size(), sampleLogoImage().size());

  // A relative name is reported with its full path, as the user needs to find the file.
  const QString saved = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  try {
    dosing::readFactorFile(QStringLiteral("absent.Dat"));
    ADD_FAILURE() << "no error";
  } catch (const FactorFileError& e) {
    const QString full = QDir(dir.path()).absoluteFilePath(QStringLiteral("absent.Dat"));
    EXPECT_EQ(e.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(full));
    EXPECT_EQ(std::string(e.what()), e.message().toStdString());
  }
  QDir::setCurrent(saved);
}

TEST(FactorFileWrite, LayoutAndRoundTrip) {
  const QByteArray bmp = bmpBytes();
  const FactorTables t = withTail(2, std::string("LLL0000\xE9", 8));

  // The writer lays the fields out where the reader expects them (the unused bytes as zeros).
  const QByteArray written = dosing::factorFileBytes(t, bmp);
  EXPECT_EQ(written, fixedPart(t, '\0') + tail(2, QByteArray("LLL0000\xE9", 8)) + bmp);

  const FactorTables back = readFactorBytes(written);
  expectSameTables(back, t);
  EXPECT_EQ(back.Logo.size(), sampleLogoImage().size());

  // Without language, pattern and logo there is nothing for a tail to say.
  EXPECT_EQ(dosing::factorFileBytes(sampleTables()), fixedPart(sampleTables(), '\0'));

  // Held as an image only, the logo is written as a bitmap of the same pixels.
  FactorTables withImage = t;
  withImage.Logo = sampleLogoImage(5, 4);
  const FactorTables fromImage = readFactorBytes(dosing::factorFileBytes(withImage));
  EXPECT_EQ(fromImage.Logo.convertToFormat(QImage::Format_RGB32), withImage.Logo.convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(fromImage.Default_Format, t.Default_Format);

  // A logo alone still needs the tail in front of it.
  FactorTables logoOnly = sampleTables();
  const QByteArray logoOnlyBytes = dosing::factorFileBytes(logoOnly, bmp);
  EXPECT_EQ(logoOnlyBytes.mid(dosing::kFactorFixedSize, 8), le32(0) + le32(0));
  EXPECT_FALSE(readFactorBytes(logoOnlyBytes).Logo.isNull());
}

TEST(FactorFileWrite, Refusals) {
  EXPECT_THROW(dosing::factorFileBytes(sampleTables(), QByteArray("GIF89a")), FactorFileError);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("no-such-folder/UVB_Factors.Dat"));
  try {
    dosing::writeFactorFile(path, sampleTables());
    ADD_FAILURE() << "no error";
  } catch (const FactorFileError& e) {
    EXPECT_TRUE(e.message().contains(path)) << e.what();
  }

  // A good file written to disk reads back the same.
  const QString good = dir.filePath(QStringLiteral("UVB_Factors.Dat"));
  dosing::writeFactorFile(good, withTail(2, "LLL0000"), bmpBytes());
  expectSameTables(dosing::readFactorFile(good), withTail(2, "LLL0000"));
}

TEST(FactorFileRead, ADemonstrationMarkComesOffAndLeavesTheFieldsAsTheyAre) {
  const QByteArray mark = QByteArrayLiteral(dosing::kDemonstrationMark);
  const QByteArray fixed = fixedPart(sampleTables());
  const QByteArray bmp = bmpBytes();
  struct Case {
    const char* what;
    QByteArray bytes;
    bool demonstration;
    FactorTables expected;
    bool logo;
  };
  const Case cases[] = {
      {"after the logo", fixed + tail(2, "LLL0000") + bmp + mark, true, withTail(2, "LLL0000"), true},
      {"after the pattern", fixed + tail(2, "LLL0000") + mark, true, withTail(2, "LLL0000"), false},
      {"after the fixed part", fixed + mark, true, sampleTables(), false},
      {"none: a file of the engineering tool", fixed + tail(2, "LLL0000") + bmp, false, withTail(2, "LLL0000"), true},
      {"the mark's words inside the file, not at its end", fixed + tail(2, "LLL0000") + bmp + mark + "x", false,
       withTail(2, "LLL0000"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FactorTables t = readFactorBytes(c.bytes);
    EXPECT_EQ(t.Demonstration, c.demonstration);
    expectSameTables(t, c.expected);
    EXPECT_EQ(t.Logo.isNull(), !c.logo);
  }

  // Written back, a demonstration keeps its mark last, after the logo where other readers stop.
  FactorTables demo = withTail(2, "LLL0000");
  demo.Demonstration = true;
  EXPECT_EQ(dosing::factorFileBytes(demo, bmp), fixedPart(sampleTables(), '\0') + tail(2, "LLL0000") + bmp + mark);
  FactorTables bare = sampleTables();
  bare.Demonstration = true;
  EXPECT_TRUE(readFactorBytes(dosing::factorFileBytes(bare)).Demonstration);
}

TEST(FactorFileRead, NamesTheFileItReadAndTheDigestOfItsBytes) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("UVB_Factors.Dat"));
  dosing::writeFactorFile(path, withTail(2, "LLL0000"), bmpBytes());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const FactorTables t = dosing::readFactorFile(path);
  EXPECT_EQ(t.SourcePath, path);
  EXPECT_EQ(t.SourceSha256,
            QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()));
  EXPECT_EQ(t.SourceSha256.size(), 64);
}

TEST(FactorFileRead, APipeOrAFileBeyondAnyCalibrationIsRefusedAtOnce) {
  QTemporaryDir dir;
  const QString pipe = dir.filePath(QStringLiteral("UVB_Factors.Dat"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const QString huge = dir.filePath(QStringLiteral("huge.Dat"));
  {
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(5 * 1024 * 1024));  // a hole: no room taken on the disk
  }
  const std::pair<QString, QString> cases[] = {
      {pipe, QStringLiteral("\"%1\" is a pipe, not a file: a dose factor file is read only from a file.").arg(pipe)},
      {huge, QStringLiteral("\"%1\" is 5 MB, more than a dose factor file can be (at most 4 MB).").arg(huge)},
  };
  for (const auto& [path, message] : cases) {
    try {
      dosing::readFactorFile(path);
      ADD_FAILURE() << "read " << path.toStdString();
    } catch (const FactorFileError& e) {
      EXPECT_EQ(e.message(), message);
    }
  }
}

}  // namespace
