#include "ui/widgets/SchedulePainter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include "treatment/ScheduleRules.h"

namespace ui {

SchedulePainter::SchedulePainter(std::function<const TreatmentRecord&(int row)> record, QObject* parent)
    : QStyledItemDelegate(parent), record_(std::move(record)) {}

void SchedulePainter::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int row = index.row() + 1;  // the heading row is the header, not a row of the model
  const treatment::CellLook look =
      treatment::cellLook(index.column(), record_(row), index.data(Qt::DisplayRole).toString(), option.locale);

  QStyleOptionViewItem cell(option);
  initStyleOption(&cell, index);
  QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
  if (!look.ownText) {
    if (look.textColour) {
      for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        cell.palette.setColor(group, QPalette::Text, *look.textColour);
    }
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    return;
  }

  // The ordinary background (and focus frame), then the record's colour and text on top.
  const QColor ordinaryText = cell.palette.color(QPalette::Text);
  cell.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
  painter->save();
  if (look.fill) painter->fillRect(option.rect, *look.fill);
  // The response and burn colours are all light: dark text stays legible on them in any theme.
  painter->setPen(look.fill ? QColor(Qt::black) : ordinaryText);
  painter->setFont(cell.font);
  painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, look.text);
  painter->restore();
}

bool SchedulePainter::eventFilter(QObject* watched, QEvent* event) {
  // The view makes the painter the filter of every editor it opens.
  if (event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* editor = qobject_cast<QWidget*>(watched);
    if (editor && !key->isAutoRepeat()) {
      emit commitData(editor);  // the cell holds what the editor shows now
      emit editorKeyReleased(key->key());
    }
  }
  return QStyledItemDelegate::eventFilter(watched, event);
}

}  // namespace ui
