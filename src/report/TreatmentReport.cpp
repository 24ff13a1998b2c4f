#include "report/TreatmentReport.h"

#include <QPainter>
#include <algorithm>

#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "report/DemonstrationMark.h"
#include "report/FileNames.h"
#include "report/PictureRecorder.h"
#include "report/TreatmentReportLayout.h"
#include "treatment/CourseColumns.h"
#include "treatment/ScheduleRules.h"

namespace report {

// clang-format off
const std::array<const char*, 6> kContraindicationCaptions{
    "Previous Skin Cancer",   "Multiple dysplastic naevi (moles)", "HyperSensitivity to UV (eg albinism)",
    "Pregnant",               "Photosensitising drugs",            "Claustrophobia",
};
// clang-format on

QString datePickerText(const QDate& date, bool blank, const QLocale& locale) {
  if (blank || !date.isValid()) return {};
  return datetime::shortDate(date, locale);
}

QString pdfFileName(const QString& nhi) { return plainFileStem(nhi) + QStringLiteral(".pdf"); }

namespace {

const QChar LF(10);

// The leading whole number of a cell: blanks skipped, an optional sign, then digits. Numbers
// beyond any dose count as kLargestCell, so that the sum of 29 cells cannot overflow.
constexpr std::int64_t kLargestCell = 1'000'000'000'000;
std::int64_t leadingNumber(const QString& cell) {
  int i = 0;
  const int n = static_cast<int>(cell.size());
  while (i < n && cell[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (cell[i] == QLatin1Char('-') || cell[i] == QLatin1Char('+'))) negative = cell[i++] == QLatin1Char('-');
  std::int64_t value = 0;
  for (; i < n && cell[i] >= QLatin1Char('0') && cell[i] <= QLatin1Char('9'); ++i)
    value = std::min(kLargestCell, value * 10 + (cell[i].unicode() - '0'));
  return negative ? -value : value;
}

// Every line of a note as a memo shows it, each followed by a line feed.
QString noteLines(const QString& note) {
  QString text = note;
  text.replace(QStringLiteral("\r\n"), QString(LF));
  text.replace(QLatin1Char('\r'), LF);
  if (text.isEmpty()) return {};
  if (!text.endsWith(LF)) text.append(LF);
  return text;
}

// A photograph that cannot be decoded prints its cell with the reason instead of the picture.
std::shared_ptr<const PictureContent> unreadablePhotograph(const QSizeF& box, const QString& reason) {
  auto content = std::make_shared<PictureContent>();
  content->drawing.size = box;
  setText(content->drawing,
          plainParagraphs(QStringLiteral("This photograph cannot be shown: ") + reason, TextStyle{8}, Qt::darkRed),
          TextBox{QRectF(QPointF(0, 0), box)});
  return content;
}

std::shared_ptr<const PictureContent> bitmap(const QImage& image) {
  if (image.isNull()) return nullptr;
  auto content = std::make_shared<PictureContent>();
  content->image = pageImage(image);  // once: a picture shown twice is kept once
  return content;
}

}  // namespace

std::int64_t accumulatedDose(const ReportInput& input, int row) {
  std::int64_t sum = 0;
  for (int r = 1; r <= row && r <= kTreatments; ++r)
    sum += leadingNumber(input.grid[static_cast<std::size_t>(r - 1)][2]);
  return sum;
}

TreatmentDatasets::TreatmentDatasets(const ReportInput& input, Report& report) : in_(input), report_(report) {
  report.setDataset(QStringLiteral("ScriptData"),
                    UserDataset{[this] { firstTreatmentRow(); }, [this] { nextTreatmentRow(); },
                                [this] { return pastLastTreatmentRow(); },
                                [this](const QString& f, QVariant& v) { treatmentValue(f, v); }});
  report.setDataset(
      QStringLiteral("PatientData"),
      UserDataset{[this] { firstPatientRow(); }, [this] { nextPatientRow(); }, [this] { return pastLastPatientRow(); },
                  [this](const QString& f, QVariant& v) { patientValue(f, v); }});
  report.setDataset(QStringLiteral("ImageData"),
                    UserDataset{[this] { firstPhotographRow(); }, [this] { nextPhotographRow(); },
                                [this] { return pastLastPhotograph(); },
                                [this](const QString& f, QVariant& v) { photographValue(f, v); }});
  report.beforePrint = [this](ReportObject& o) { BeforePrint(o); };
}

void TreatmentDatasets::treatmentValue(const QString& field, QVariant& value) {
  if (treatmentRow < 1 || treatmentRow > kTreatments) return;
  const TreatmentRecord& record = in_.records[static_cast<std::size_t>(treatmentRow - 1)];
  const auto& cells = in_.grid[static_cast<std::size_t>(treatmentRow - 1)];
  auto colour = [&](const char* object, const QColor& c) {
    if (ReportObject* o = report_.findObject(QString::fromLatin1(object))) o->fill = c;
  };
  if (field == u"ScDate") {
    if (record.recorded()) {
      value = treatment::treatmentDay(record.When, in_.locale);
      colour("ScDate", responseColour(record.burn));
    } else {
      value = cells[0];
      colour("ScDate", Qt::white);
    }
  } else if (field == u"Treatment") {
    if (record.recorded()) {
      value = treatment::fromRecordText(record.Initials) + QLatin1Char(' ') +
              treatment::temperatureText(record.Temperature, in_.locale) + QLatin1Char(' ') +
              treatment::fromRecordText(record.time);
      colour("Memo5", responseColour(record.response));
    } else {
      value = QString();
      colour("Memo5", Qt::white);
    }
  } else if (field == u"Dose") {
    value = cells[2];
  } else if (field == u"Accum") {
    value = static_cast<qlonglong>(accumulatedDose(in_, treatmentRow));
  } else if (field == u"Erythema") {
    value = cells[3];
  } else if (field == u"%Increase") {
    value = cells[4];
  }
}

void TreatmentDatasets::patientValue(const QString& field, QVariant& value) const {
  if (field == u"Name") {
    value = in_.surname;
  } else if (field == u"HospID") {
    value = in_.nhi;
  } else if (field == u"Age") {
    value = in_.ageText;
  } else if (field == u"Details") {
    value = QStringList{in_.diagnosis,  in_.treatmentType, in_.condition,    in_.duration,
                        in_.previousRx, in_.rxResult,      in_.familyHistory}
                .join(LF);
  } else if (field == u"Meds") {
    value = in_.medication;
  } else if (field == u"Previous") {
    value = in_.pastHistory;
  } else if (field == u"Contra") {
    QString text;
    for (std::size_t box = 0; box < kContraindicationCaptions.size(); ++box) {
      if (!in_.contraindications[box]) continue;
      text += QString::fromLatin1(kContraindicationCaptions[box]);
      if (box + 1 < kContraindicationCaptions.size()) text += LF;
    }
    value = text;
  } else if (field == u"Contact") {
    value = in_.address + LF + LF + QStringLiteral("Home ") + in_.homePhone + LF + QStringLiteral("Cell    ") +
            in_.cellPhone + LF + QStringLiteral("Work  ") + in_.workPhone;
  } else if (field == u"Medics") {
    value = in_.referringPhysician + LF + in_.assessDateText + LF + in_.therapist;
  } else if (field == u"Birth") {
    value = in_.birthText;
  } else if (field == u"Lifetime") {
    value = in_.lifetime;
  }
}

bool TreatmentDatasets::pastLastPhotograph() const {
  return photograph_ < 0 || photograph_ >= static_cast<int>(in_.photographs.size());
}

void TreatmentDatasets::photographValue(const QString& field, QVariant& value) const {
  if (pastLastPhotograph()) return;
  const ReportPhotograph& photo = in_.photographs[static_cast<std::size_t>(photograph_)];
  if (field == u"ImageDate") value = photo.dateText;
  if (field == u"Comment") value = noteLines(photo.note);
}

void TreatmentDatasets::BeforePrint(ReportObject& object) {
  if (object.kind == ObjectKind::Picture && object.name == u"Photo") {
    object.picture = nullptr;
    if (pastLastPhotograph()) return;
    const QByteArray& bytes = in_.photographs[static_cast<std::size_t>(photograph_)].jpeg;
    if (bytes.isEmpty()) return;  // a photograph row without picture data prints an empty box
    try {
      object.picture = bitmap(jpeg::decode(bytes));
    } catch (const jpeg::Error& e) {
      object.picture = unreadablePhotograph(object.box.size(), QString::fromUtf8(e.what()));
    }
  } else if (object.name == u"Graph") {
    object.picture = nullptr;
    if (!in_.drawGraph) return;
    // The chart is laid out at the box's size in whole report units, from the top-left corner.
    const QSize size(qRound(object.box.width() / kMmPerPixel), qRound(object.box.height() / kMmPerPixel));
    PictureRecorder recorder(size);
    {
      QPainter painter(&recorder);
      in_.drawGraph(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    auto content = std::make_shared<PictureContent>();
    content->drawing = recorder.drawing();
    object.picture = std::move(content);
  }
}

PreparedReport prepareTreatmentReport(const ReportInput& input, const std::function<void(int)>& progress) {
  Report report(treatmentReportLayout());
  ReportLayout& layout = report.layout();
  layout.pdfFileName = pdfFileName(input.nhi);
  // The photograph pages print exactly when the course has a photograph.
  layout.findPage(QStringLiteral("Page3"))->visible = !input.photographs.empty();
  if (input.demonstration) markDemonstration(layout);
  report.findObject(QStringLiteral("Diagram"))->picture = bitmap(input.diagram);
  report.findObject(QStringLiteral("Logo"))->picture = bitmap(input.logo);
  const auto icon = bitmap(input.icon);
  report.findObject(QStringLiteral("Picture1"))->picture = icon;
  report.findObject(QStringLiteral("Picture6"))->picture = icon;

  const QString printDate = datetime::printedDate(input.printDate, input.locale);
  report.variable = [printDate](const QString& name) { return name == u"PrintDate" ? printDate : QString(); };
  report.progress = progress;

  TreatmentDatasets datasets(input, report);
  return report.prepare();
}

}  // namespace report
