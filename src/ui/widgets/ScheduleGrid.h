#pragma once
// The treatment schedule: six columns, row 0 the headings, rows 1..29 the treatments.
// Cells are addressed as (column, row) with row 0 being the heading row, so that code reads like
// the schedule it describes; the heading row is the table's header.

#include <QTableWidget>
#include <functional>

namespace ui {

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

  // Asked whenever the user tries to make a cell current (row 1..29), by a left click or a key; a
  // cell it refuses does not become current, and the press goes no further. Unset: any cell may.
  // Other buttons and dragging with a button held never move the current cell. The program's own
  // setCurrentCell does not ask.
  std::function<bool(int column, int row)> selectCell;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool maySelect(const QModelIndex& index);
};

}  // namespace ui
