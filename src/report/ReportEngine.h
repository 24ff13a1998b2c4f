#pragma once
// Preparing a report: the layout walked over its datasets into prepared pages.
//
// A dataset is the program's own: the engine only asks it to go to its first row, to the next
// row, whether it is past its last row, and for a field's value in the current row. Before each
// object is printed the engine raises the before-print event with the object, so the program can
// fill a picture or change the object. Prepared pages are a display list in millimetres
// (DisplayList.h) that the screen, the printer and the PDF writer all draw alike.
//
// Pages are laid out thus: a page's own objects go inside its margins; its bands follow one below
// the other. A header band prints once, and again at the top of each further page when it is to
// repeat. A data band prints once per row of its dataset, in as many columns as it has (rows side
// by side, then below), and moves to a new page when the next row of cells does not fit. A
// sub-report shows another page's bands inside its box.

#include <QString>
#include <QVariant>
#include <functional>
#include <map>

#include "report/DisplayList.h"
#include "report/Layout.h"

namespace report {

struct UserDataset {
  std::function<void()> first;
  std::function<void()> next;
  std::function<bool()> eof;  // past the last row
  // Sets `value` to the field's value in the current row (text, or a whole number); a field the
  // dataset does not know leaves it unset, and the object prints nothing.
  std::function<void(const QString& field, QVariant& value)> getValue;
};

class Report {
 public:
  explicit Report(ReportLayout layout) : layout_(std::move(layout)) {}

  ReportLayout& layout() { return layout_; }
  ReportObject* findObject(const QString& name) { return layout_.findObject(name); }

  void setDataset(const QString& name, UserDataset dataset) { datasets_[name] = std::move(dataset); }
  // Raised before each object is printed, with the object about to be printed.
  std::function<void(ReportObject&)> beforePrint;
  // The text of a report variable (such as the print date).
  std::function<QString(const QString& name)> variable;
  // Called after each prepared page with the number of pages so far.
  std::function<void(int pages)> progress;

  // Walks the layout over the datasets. Exceptions of the callbacks pass through.
  PreparedReport prepare();

 private:
  class Preparation;
  ReportLayout layout_;
  std::map<QString, UserDataset> datasets_;
};

}  // namespace report
