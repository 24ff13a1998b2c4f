#include "ui/widgets/ScheduleGrid.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace ui {

ScheduleGrid::ScheduleGrid(QWidget* parent) : QTableWidget(kRows - 1, kColumns, parent) {
  verticalHeader()->setVisible(false);  // no fixed column: the row number is column 0's text
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  verticalHeader()->setMinimumSectionSize(kRowHeight);
  horizontalHeader()->setFixedHeight(kRowHeight + 2);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setDefaultSectionSize(64);
  setShowGrid(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  QPalette p = palette();
  p.setColor(QPalette::Base, p.color(QPalette::Button));  // the button-face background of a schedule
  setPalette(p);
  for (int c = 0; c < kColumns; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
  for (int r = 0; r < kRows - 1; ++r)
    for (int c = 0; c < kColumns; ++c) setItem(r, c, new QTableWidgetItem(QString()));
}

QString ScheduleGrid::cell(int column, int row) const {
  if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return {};
  const QTableWidgetItem* it = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
  return it ? it->text() : QString();
}

void ScheduleGrid::setCell(int column, int row, const QString& text) {
  if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return;
  QTableWidgetItem* it = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
  if (it) it->setText(text);
}

bool ScheduleGrid::maySelect(const QModelIndex& index) {
  if (!selectCell || !index.isValid()) return true;
  return selectCell(index.column(), index.row() + 1);
}

QModelIndex ScheduleGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  const QModelIndex target = QTableWidget::moveCursor(action, modifiers);
  // Without a current cell the view is only finding a first one (on focus), not the user moving.
  if (!currentIndex().isValid() || target == currentIndex() || maySelect(target)) return target;
  return {};  // no move: the keys and the editor's Tab treat it as "nowhere to go"
}

void ScheduleGrid::mousePressEvent(QMouseEvent* event) {
  // Only the left button picks a cell; the others would move the current cell unasked.
  if (event->button() != Qt::LeftButton || !maySelect(indexAt(event->position().toPoint()))) {
    event->accept();
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void ScheduleGrid::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() != Qt::NoButton) {
    event->accept();
    return;
  }
  QTableWidget::mouseMoveEvent(event);
}

void ScheduleGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press of a double click was already answered; a refused cell is not edited either.
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && index != currentIndex()) {
    event->accept();
    return;
  }
  QTableWidget::mouseDoubleClickEvent(event);
}

}  // namespace ui
