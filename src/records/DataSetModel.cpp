#include "records/DataSetModel.h"

#include <QLocale>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "records/DataSet.h"
#include "records/Schema.h"

DataSetModel::DataSetModel(const records::DataSet& dataSet, const QStringList& columns, QObject* parent)
    : QAbstractTableModel(parent), dataSet_(dataSet), names_(columns) {
  for (const QString& name : columns) columns_.push_back(dataSet.columnIndex(name));
  connect(&dataSet_, &records::DataSet::dataChanged, this, &DataSetModel::reload);
  connect(&dataSet_, &records::DataSet::stateChanged, this, &DataSetModel::reload);
}

void DataSetModel::reload() {
  beginResetModel();
  endResetModel();
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
  // A cursor open on one row while the list is read lists nothing yet: asking it to count would
  // read the whole list here.
  if (parent.isValid() || !dataSet_.active() || dataSet_.awaitingList()) return 0;
  return dataSet_.recordCount();
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString DataSetModel::displayText(const QVariant& value, int kind) {
  if (value.isNull()) return {};
  switch (static_cast<records::ColumnKind>(kind)) {
    case records::ColumnKind::DateTime: return datetime::shortDateTime(datetime::toQDateTime(value.toDouble()));
    case records::ColumnKind::Boolean: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case records::ColumnKind::Float: return fmt::GeneralShown(value.toDouble(), 15);
    case records::ColumnKind::Blob:
      // A photograph: drawing its bytes as text shows nothing useful and costs a conversion of
      // tens of kilobytes at every repaint.
      return QStringLiteral("JPEG, %1 bytes").arg(fmt::D(value.toByteArray().size()));
    case records::ColumnKind::VarBytes: {
      const QByteArray bytes = value.toByteArray();
      QString text;
      for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(static_cast<char16_t>(static_cast<quint8>(bytes[i]) | (static_cast<quint8>(bytes[i + 1]) << 8)));
      return text;
    }
    default: return value.toString();
  }
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  const int column = tableColumn(index.column());
  const QVariant value = dataSet_.valueAt(index.row() + 1, column);
  return displayText(value, static_cast<int>(dataSet_.table().columns[static_cast<std::size_t>(column)].kind));
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return names_.value(section);
  return section + 1;
}
