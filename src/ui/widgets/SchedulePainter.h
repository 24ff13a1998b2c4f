#pragma once
// The painter of the treatment schedule: draws recorded treatments on the colours of their
// response and burn, and the planned doses of treatments not yet recorded in silver (see
// treatment/ScheduleRules.h for what each cell shows).
//
// It also reports every key released in a cell editor, after handing the editor's text to the
// cell: the plan and the stored increments follow an increment while it is being typed.

#include <QStyledItemDelegate>
#include <functional>

#include "treatment/TreatmentRecord.h"

namespace ui {

class SchedulePainter : public QStyledItemDelegate {
  Q_OBJECT
 public:
  // `record(row)` gives the record of treatment `row` (1..29) at the time of painting.
  explicit SchedulePainter(std::function<const TreatmentRecord&(int row)> record, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 signals:
  void editorKeyReleased(int key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<const TreatmentRecord&(int row)> record_;
};

}  // namespace ui
