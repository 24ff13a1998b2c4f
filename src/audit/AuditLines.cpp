#include "audit/AuditLines.h"

#include <QHash>

#include "base/Formats.h"
#include "base/OneLine.h"

namespace audit {
namespace {

const char* const kRoman[kSkinTypes] = {"I", "II", "III", "IV", "V", "VI"};

AuditLine line(const char* name, const QString& value) { return {QString::fromLatin1(name), {value}}; }

QString doseText(double dose, const QLocale& locale) { return fmt::Fixed(dose, 0, 1, locale); }

void addBurns(std::vector<AuditLine>& out, const BurnTally& t, const QString& suffix, const QLocale& locale) {
  for (int g = 0; g < 3; ++g)
    out.push_back({QStringLiteral("burn%1%2").arg(g + 1).arg(suffix), {countText(t.grade[g])}});
  out.push_back({QStringLiteral("burn_per_100") + suffix, {rateText(t.per100(), locale)}});
}

// The part of a name after "_type_": the skin type it is about, 1..6; 0 for none.
int skinTypeOf(const QString& name) {
  const qsizetype at = name.indexOf(QLatin1String("_type_"));
  if (at < 0) return 0;
  const int type = name.mid(at + 6).toInt();
  return type >= 1 && type <= kSkinTypes ? type : 0;
}

QString csvField(const QString& value, bool nhi) {
  QString v = value;
  if (nhi && !v.isEmpty() &&
      (v.front() == u'=' || v.front() == u'+' || v.front() == u'-' || v.front() == u'@' ||
       v.front().category() == QChar::Other_Control))
    v.prepend(u'\'');
  if (v.contains(u',') || v.contains(u'"') || v.contains(u'\n') || v.contains(u'\r')) {
    v.replace(QLatin1String("\""), QLatin1String("\"\""));
    v = u'"' + v + u'"';
  }
  return v;
}

}  // namespace

QString countText(qint64 value) { return fmt::D(value); }

QString rateText(const std::optional<double>& value, const QLocale& locale) {
  return value ? fmt::Fixed(*value, 0, 2, locale) : kNoValue;
}

QString figureText(const std::optional<double>& value, const QLocale& locale) {
  return value ? fmt::Fixed(*value, 0, 1, locale) : kNoValue;
}

std::vector<AuditLine> figureLines(const Figures& f, const QLocale& locale) {
  std::vector<AuditLine> out;
  out.push_back(line("patients", countText(f.patients)));
  out.push_back(line("courses", countText(f.courses)));
  out.push_back(line("treatments", countText(f.all.treatments)));
  out.push_back(line("missed", countText(f.missed)));
  addBurns(out, f.all, QString(), locale);
  for (int type = 0; type < kSkinTypes; ++type)
    addBurns(out, f.bySkinType[static_cast<std::size_t>(type)], QStringLiteral("_type_%1").arg(type + 1), locale);
  out.push_back(line("finished_courses", countText(f.finishedCourses)));
  out.push_back(line("median_treatments", figureText(f.medianTreatments, locale)));
  out.push_back(line("q1_treatments", figureText(f.q1Treatments, locale)));
  out.push_back(line("q3_treatments", figureText(f.q3Treatments, locale)));
  out.push_back(line("median_cumulative_dose", figureText(f.medianCumulativeDose, locale)));
  out.push_back(line("last_clearing_pct", figureText(f.lastClearingPct, locale)));
  out.push_back(line("last_same_pct", figureText(f.lastSamePct, locale)));
  out.push_back(line("last_worse_pct", figureText(f.lastWorsePct, locale)));
  const std::optional<qint64> over = f.patientsOverThreshold();
  out.push_back(line("patients_over_threshold", over ? countText(*over) : kNoValue));
  return out;
}

std::vector<AuditLine> reviewLines(const Figures& f, const QLocale& locale) {
  std::vector<AuditLine> out;
  for (const LifetimeReview& r : f.reviews)
    out.push_back({QStringLiteral("over"), {r.nhi, countText(r.treatments), doseText(r.dose, locale)}});
  return out;
}

std::vector<AuditLine> gradeThreeLines(const Figures& f, const QLocale& locale) {
  std::vector<AuditLine> out;
  for (const GradeThreeBurn& b : f.gradeThree) {
    out.push_back({QStringLiteral("grade3"),
                   {b.nhi, isoDate(b.date), doseText(b.dose, locale), figureText(b.previousDose, locale),
                    figureText(b.increase, locale)}});
  }
  return out;
}

std::vector<AuditLine> auditLines(const Figures& f, const QLocale& locale) {
  std::vector<AuditLine> out = figureLines(f, locale);
  for (auto part : {reviewLines(f, locale), gradeThreeLines(f, locale)})
    out.insert(out.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
  return out;
}

QString figureLabel(const QString& name) {
  static const QHash<QString, QString> labels{
      {QStringLiteral("patients"), QStringLiteral("Patients treated")},
      {QStringLiteral("courses"), QStringLiteral("Courses with a treatment in the period")},
      {QStringLiteral("treatments"), QStringLiteral("Treatments given")},
      {QStringLiteral("missed"), QStringLiteral("Visits missed")},
      {QStringLiteral("burn1"), QStringLiteral("Burns grade I")},
      {QStringLiteral("burn2"), QStringLiteral("Burns grade II")},
      {QStringLiteral("burn3"), QStringLiteral("Burns grade III")},
      {QStringLiteral("burn_per_100"), QStringLiteral("Burns per 100 treatments")},
      {QStringLiteral("finished_courses"), QStringLiteral("Courses finished in the period")},
      {QStringLiteral("median_treatments"), QStringLiteral("Treatments per finished course, median")},
      {QStringLiteral("q1_treatments"), QStringLiteral("Treatments per finished course, lower quartile")},
      {QStringLiteral("q3_treatments"), QStringLiteral("Treatments per finished course, upper quartile")},
      {QStringLiteral("median_cumulative_dose"),
       QStringLiteral("Cumulative dose per finished course, median (mJ/cm\u00b2)")},
      {QStringLiteral("last_clearing_pct"), QStringLiteral("Finished courses ending \"Clearing\" (%)")},
      {QStringLiteral("last_same_pct"), QStringLiteral("Finished courses ending \"Same\" (%)")},
      {QStringLiteral("last_worse_pct"), QStringLiteral("Finished courses ending \"Worse\" (%)")},
      {QStringLiteral("patients_over_threshold"), QStringLiteral("Patients due a lifetime exposure review")},
  };
  const int type = skinTypeOf(name);
  if (type == 0) return labels.value(name, name);
  const QString general = labels.value(name.left(name.indexOf(QLatin1String("_type_"))), name);
  return general + QStringLiteral(", skin type ") + QLatin1String(kRoman[type - 1]);
}

QByteArray toolText(const std::vector<AuditLine>& lines) {
  QString out;
  for (const AuditLine& l : lines) {
    out += text::oneLine(l.name);
    for (const QString& v : l.values) out += u'\t' + text::oneLine(v);
    out += u'\n';
  }
  return out.toUtf8();
}

QByteArray csvText(const std::vector<AuditLine>& lines) {
  QString out;
  for (const AuditLine& l : lines) {
    const bool nhiFirst = l.name == QLatin1String("over") || l.name == QLatin1String("grade3");
    out += csvField(l.name, false);
    for (qsizetype i = 0; i < l.values.size(); ++i) out += u',' + csvField(l.values[i], nhiFirst && i == 0);
    out += QLatin1String("\r\n");
  }
  return out.toUtf8();
}

}  // namespace audit
