#pragma once
// The treatment schedule: six columns, row 0 the headings, rows 1..29 the treatments.
// Cells are addressed as (column, row) with row 0 being the heading row, so that code reads like
// the schedule it describes; the heading row is the table's header.

#include <QTableWidget>

class ScheduleGrid : public QTableWidget {
  Q_OBJECT
 public:
  static constexpr int kColumns = 6;
  static constexpr int kRows = 30;  // the heading row and the 29 treatments
  static constexpr int kRowHeight = 20;

  explicit ScheduleGrid(QWidget* parent = nullptr);

  QString cell(int column, int row) const;
  void setCell(int column, int row, const QString& text);

  // The current cell in schedule coordinates (row 1..29).
  int currentColumn() const { return QTableWidget::currentColumn(); }
  int currentRowNumber() const { return QTableWidget::currentRow() + 1; }
  void setCurrentCell(int column, int row) { QTableWidget::setCurrentCell(row - 1, column); }
};
