#pragma once
// A read-only table model over one cursor of the data module, for the patient, course and
// photograph grids of the list mode. The headings are the column names; each cell shows its
// column's plain text form (a photograph by its size: its bytes are no text). The model only asks
// the cursor for the rows a view shows, and never moves it.

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace records {
class DataSet;
}

class DataSetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  DataSetModel(const records::DataSet& dataSet, const QStringList& columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  const records::DataSet& dataSet() const { return dataSet_; }
  // The table column shown in a grid column.
  int tableColumn(int gridColumn) const { return columns_[static_cast<std::size_t>(gridColumn)]; }

  // The text a grid shows for a value of a column: dates and numbers as text, Yes/No as true or
  // false, memos as their text, byte strings as their bytes read two at a time as 16-bit characters,
  // and a picture (binary large object) as "JPEG, n bytes".
  static QString displayText(const QVariant& value, int kind);

 public slots:
  void reload();

 private:
  const records::DataSet& dataSet_;
  std::vector<int> columns_;
  QStringList names_;
};
