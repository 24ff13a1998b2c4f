#include "shell/ScheduleGrid.h"

#include <QHeaderView>

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
