// The PDF file read back with poppler: its settings, its fonts and every letter of a name, its
// pictures, and how it is written to disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QRegularExpression>

#include "PdfSupport.h"
#include "ReportFixtures.h"
#include "report/TreatmentReport.h"

using namespace report;
using pdf_support::WrittenPdf;
using report_fixtures::sampleInput;

namespace {

QString infoField(const QString& info, const QString& field) {
  const QRegularExpression re(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
  return re.match(info).captured(1).trimmed();
}

struct FontRow {
  QString name;
  bool embedded = false;
  bool subset = false;
};
// pdffonts rows: the name first, then ... emb sub uni object generation.
std::vector<FontRow> fontRows(const QStringList& rows) {
  std::vector<FontRow> out;
  for (const QString& row : rows) {
    const QStringList f = row.split(' ', Qt::SkipEmptyParts);
    if (f.size() < 6) continue;
    out.push_back({f.first(), f[f.size() - 5] == "yes", f[f.size() - 4] == "yes"});
  }
  return out;
}

}  // namespace

TEST(PdfFile, CarriesTheDepartmentsSettings) {
  const WrittenPdf pdf(prepareTreatmentReport(sampleInput(3)));
  const QString info = pdf.info();
  EXPECT_EQ(infoField(info, "Author"), "Physiotherapy Dept.");
  EXPECT_EQ(infoField(info, "Subject"), "NB UVB MED Report");
  EXPECT_EQ(infoField(info, "Creator"), "Venmore Ltd");
  EXPECT_EQ(infoField(info, "Pages"), "2");
  EXPECT_EQ(infoField(info, "Encrypted"), "no");
  EXPECT_TRUE(infoField(info, "Page size").startsWith("841.89 x 595.27")) << infoField(info, "Page size").toStdString();

  const QByteArray raw = pdf.bytes();
  EXPECT_FALSE(raw.contains("/Outlines"));
  EXPECT_FALSE(raw.contains("/Encrypt"));
  // Content streams are compressed: no text operator can be read in the file as it is.
  EXPECT_TRUE(raw.contains("/FlateDecode"));
  EXPECT_FALSE(raw.contains(" Tj"));
  EXPECT_FALSE(raw.contains("Whitfield"));

  const QString text = pdf.text();
  for (const char* expected :
       {"Whitfield", "ABC1234", "NB UVB Treatment Report", "March 21, 2025", "07 Mar", "AB 36.5C 02:30",
        "Multiple dysplastic naevi (moles)", "Claustrophobia", "CONSENT:", "Patient's signiture", "Elbow, week 3"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
}

TEST(PdfFile, EmbedsEveryPictureAsJpeg) {
  const WrittenPdf pdf(prepareTreatmentReport(sampleInput(3)));
  const QStringList images = pdf.images();
  // Logo, icon and diagram on the summary page; the icon again and three photographs after it.
  ASSERT_EQ(images.size(), 7) << pdf_support::poppler("pdfimages", {"-list"}, pdf.path).toStdString();
  for (const QString& row : images) {
    const QStringList f = row.split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(f.value(2), "image");
    EXPECT_EQ(f.value(5), "rgb");
    EXPECT_EQ(f.value(8), "jpeg") << row.toStdString();
  }
  // The icon is stored once and shown on both pages.
  EXPECT_EQ(images[1].split(' ', Qt::SkipEmptyParts).value(10), images[3].split(' ', Qt::SkipEmptyParts).value(10));
}

TEST(PdfFile, WesternTextUsesTheStandardFontsWithoutEmbedding) {
  const WrittenPdf pdf(prepareTreatmentReport(sampleInput(1)));
  const std::vector<FontRow> fonts = fontRows(pdf.fonts());
  ASSERT_FALSE(fonts.empty());
  for (const FontRow& f : fonts) {
    EXPECT_TRUE(f.name == "Helvetica" || f.name == "Helvetica-Bold") << f.name.toStdString();
    EXPECT_FALSE(f.embedded) << f.name.toStdString();
  }
}

TEST(PdfFile, NamesInEveryLatinAlphabetComeOutWhole) {
  struct Case {
    const char* language;
    const char* name;
    bool embeds;  // the standard fonts have no letters for it
  };
  const Case cases[] = {
      {"Slovak", "Ľubomír Šťastný", false},
      {"Turkish", "Şükrü Yıldız İnce", false},
      {"Polish", "Łucja Wałęsa-Źrebiec", false},
      {"Czech", "Jiří Dvořák", false},
      {"Romanian", "Ștefan Țurcanu", true},  // the standard font has S but not T with a comma below
      {"Turkish and Polish in one name", "Işık Łukasiewicz", false},
      {"Greek", "Σωκράτης Παπαδόπουλος", true},
      {"Russian", "Дмитрий Иванов", true},
  };
  for (const Case& c : cases) {
    ReportInput in = sampleInput();
    in.surname = QString::fromUtf8(c.name);
    in.address = QString::fromUtf8(c.name);
    const WrittenPdf pdf(prepareTreatmentReport(in));
    const QString text = pdf.text();
    EXPECT_EQ(text.count(QString::fromUtf8(c.name)), 2) << c.language << ": " << text.left(200).toStdString();
    bool embedded = false;
    for (const FontRow& f : fontRows(pdf.fonts())) {
      embedded = embedded || f.embedded;
      if (f.embedded) {
        EXPECT_TRUE(f.subset) << c.language << ": " << f.name.toStdString();
      }
    }
    EXPECT_EQ(embedded, c.embeds) << c.language;
  }
}

TEST(PdfFile, ReplacesAFileThatIsThere) {
  QTemporaryDir dir;
  const QString path = dir.filePath("ABC1234.pdf");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(200000, 'x'));
  }
  auto mode = [](const QString& file) {
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & 0777 : 0u;
  };
  ::chmod(QFile::encodeName(path).constData(), 0640);
  writePdf(prepareTreatmentReport(sampleInput()), path);
  // A report holds patient data: the file replaced and a new one are its owner's alone, whatever
  // mode the old file had and whatever the mask.
  EXPECT_EQ(mode(path), 0600u);
  const QString fresh = dir.filePath("XYZ9876.pdf");
  writePdf(prepareTreatmentReport(sampleInput()), fresh);
  EXPECT_EQ(mode(fresh), 0600u);
  QFile::remove(fresh);
  QFile written(path);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(5) == "%PDF-");
  EXPECT_LT(written.size(), 200000);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"ABC1234.pdf"});  // nothing left behind
}

TEST(PdfFile, AFileThatCannotBeWrittenIsNamedWithTheReason) {
  QTemporaryDir dir;
  const QString path = dir.filePath("missing folder/ABC1234.pdf");
  try {
    writePdf(prepareTreatmentReport(sampleInput()), path);
    FAIL() << "no error";
  } catch (const PdfError& e) {
    const QString message = QString::fromStdString(e.what());
    EXPECT_TRUE(message.contains(path)) << e.what();
    EXPECT_TRUE(message.contains("No such file or directory")) << e.what();
  }
}
