#include "report/Layout.h"

namespace report {

namespace {

ReportObject object(const QString& name, ObjectKind kind, QRectF box) {
  ReportObject o;
  o.name = name;
  o.kind = kind;
  o.box = box;
  return o;
}

}  // namespace

ReportObject label(const QString& name, QRectF box, const QString& text) {
  ReportObject o = object(name, ObjectKind::Text, box);
  o.text = text;
  return o;
}

ReportObject field(const QString& name, QRectF box, const QString& dataset, const QString& fieldName) {
  ReportObject o = object(name, ObjectKind::Text, box);
  o.dataset = dataset;
  o.field = fieldName;
  return o;
}

ReportObject variable(const QString& name, QRectF box, const QString& variableName) {
  ReportObject o = object(name, ObjectKind::Text, box);
  o.variable = variableName;
  return o;
}

ReportObject picture(const QString& name, QRectF box) { return object(name, ObjectKind::Picture, box); }

ReportObject rule(const QString& name, QPointF from, double length, double widthPt) {
  ReportObject o = object(name, ObjectKind::Line, QRectF(from, QSizeF(length, 0)));
  o.lineWidth = widthPt;
  return o;
}

ReportObject subReport(const QString& name, QRectF box, const QString& page) {
  ReportObject o = object(name, ObjectKind::SubReport, box);
  o.page = page;
  return o;
}

ReportObject richText(const QString& name, QRectF box, std::vector<Paragraph> paragraphs) {
  ReportObject o = object(name, ObjectKind::RichText, box);
  o.rich = std::move(paragraphs);
  return o;
}

PageLayout* ReportLayout::findPage(const QString& name) {
  for (PageLayout& p : pages)
    if (p.name == name) return &p;
  return nullptr;
}

ReportObject* ReportLayout::findObject(const QString& name) {
  for (PageLayout& p : pages) {
    for (ReportObject& o : p.objects)
      if (o.name == name) return &o;
    for (Band& b : p.bands)
      for (ReportObject& o : b.objects)
        if (o.name == name) return &o;
  }
  return nullptr;
}

}  // namespace report
