#include "records/DataSet.h"

#include <QSet>
#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/DataError.h"

namespace records {
namespace {

// Full rows of a partly held snapshot kept in memory: a grid page or two, and the current row.
constexpr std::size_t kCachedRows = 512;
// Rows read together when a row not at hand is looked at: about what a grid shows.
constexpr std::size_t kPageRows = 64;

bool anyNull(const QVariantList& values) {
  return std::any_of(values.begin(), values.end(), [](const QVariant& v) { return v.isNull(); });
}

QString describeKey(const TableDef& table, const QVariantList& key) {
  QStringList parts;
  for (std::size_t i = 0; i < table.key.size() && i < static_cast<std::size_t>(key.size()); ++i) {
    const QVariant& v = key[static_cast<qsizetype>(i)];
    parts << table.columns[static_cast<std::size_t>(table.key[i])].name + u'=' +
                 (v.isNull() ? QStringLiteral("(empty)") : v.toString());
  }
  return parts.join(QStringLiteral(", "));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// RowView

const QVariant& RowView::value(int column) const {
  const DataSet& d = dataSet_;
  const auto r = static_cast<std::size_t>(row_);
  if (d.holdsAll_) return d.rows_[r][static_cast<std::size_t>(column)];
  const int slot = d.slot_[static_cast<std::size_t>(column)];
  if (slot < 0) return d.fullRow(row_)[static_cast<std::size_t>(column)];
  QVariant& held = held_[static_cast<std::size_t>(slot)];
  held = d.index_.value(r, slot);
  return held;
}
QString RowView::text(int column) const { return value(column).toString(); }
bool RowView::isNull(int column) const { return !value(column).isValid(); }

// Stored values are brought to their column's type when read (normalizeValue), and a null is an
// invalid QVariant: the type need not be asked for again.
QStringView RowView::textView(int column) const {
  const ColumnKind kind = dataSet_.table_.columns[static_cast<std::size_t>(column)].kind;
  const QVariant& v = value(column);
  if (!v.isValid() || (kind != ColumnKind::Text && kind != ColumnKind::Memo)) return {};
  return *static_cast<const QString*>(v.constData());
}

std::optional<qint64> RowView::whole(int column) const {
  const ColumnKind kind = dataSet_.table_.columns[static_cast<std::size_t>(column)].kind;
  const QVariant& v = value(column);
  if (!v.isValid()) return std::nullopt;
  if (kind == ColumnKind::Integer || kind == ColumnKind::SmallUnsigned || kind == ColumnKind::AutoIncrement) {
    return *static_cast<const qlonglong*>(v.constData());
  }
  return v.toLongLong();
}

// ---------------------------------------------------------------------------------------------
// Construction

DataSet::DataSet(Connection& connection, const TableDef& table, QObject* parent)
    : QObject(parent), connection_(connection), table_(table), holdsAll_(table.held.empty()) {
  slot_.assign(table.columns.size(), -1);
  if (holdsAll_) {
    for (std::size_t i = 0; i < slot_.size(); ++i) slot_[i] = static_cast<int>(i);
  } else {
    for (std::size_t j = 0; j < table.held.size(); ++j)
      slot_[static_cast<std::size_t>(table.held[j])] = static_cast<int>(j);
    for (int k : table.key) {
      if (slot_[static_cast<std::size_t>(k)] < 0) {
        throw DataError(QStringLiteral("Table %1: its key columns must be kept for every row.").arg(table.name));
      }
    }
    // Its rows are held in their compact index alone, found by their one text key.
    if (!table.journaled || table.key.size() != 1 || table.held.size() > RowView::kHeldSlots ||
        !ListIndex::holdsEveryHeld(table) ||
        table.columns[static_cast<std::size_t>(table.key.front())].kind != ColumnKind::Text) {
      throw DataError(QStringLiteral("Table %1: a table that keeps some columns must keep text, whole-number and key "
                                     "columns only, be journaled and have one text key.")
                          .arg(table.name));
    }
    index_ = ListIndex(table);
  }
}

DataSet::~DataSet() {
  for (DataSet* d : details_) d->master_ = nullptr;
  if (master_) std::erase(master_->details_, this);
}

int DataSet::columnIndex(const QString& name) const {
  const int i = table_.indexOf(name);
  if (i < 0) throw DataError(QStringLiteral("The table %1 has no column %2.").arg(table_.name, name));
  return i;
}

void DataSet::setMaster(DataSet& master, const QStringList& linkColumns) {
  if (master_) std::erase(master_->details_, this);
  master_ = &master;
  linkColumns_.clear();
  masterLinkColumns_.clear();
  for (const QString& c : linkColumns) {
    linkColumns_.push_back(columnIndex(c));
    masterLinkColumns_.push_back(master.columnIndex(c));
  }
  master.details_.push_back(this);
}

// ---------------------------------------------------------------------------------------------
// Reading rows

namespace {

QString selectedColumns(const TableDef& table, bool heldOnly) {
  QStringList names;
  if (heldOnly && !table.held.empty()) {
    for (int c : table.held) names << quoted(table.columns[static_cast<std::size_t>(c)].name);
  } else {
    for (const ColumnDef& c : table.columns) names << quoted(c.name);
  }
  return names.join(QStringLiteral(", "));
}

QString insertionOrder(const TableDef& table, const Connection& connection) {
  return table.orderColumn.isEmpty() ? QString::fromLatin1(connection.dialect().insertionOrder)
                                     : quoted(table.orderColumn);
}

}  // namespace

QString DataSet::columnList(bool heldOnly) const { return selectedColumns(table_, heldOnly); }

QString DataSet::orderBy() const { return insertionOrder(table_, connection_); }

ListSnapshot DataSet::readList(Connection& connection, const TableDef& table) {
  std::vector<const ColumnDef*> columns;
  if (table.held.empty()) {
    for (const ColumnDef& c : table.columns) columns.push_back(&c);
  } else {
    for (int c : table.held) columns.push_back(&table.columns[static_cast<std::size_t>(c)]);
  }
  ListSnapshot snapshot;
  // Read the counter and the journal mark first: a commit that slips in between makes the
  // snapshot look older than it is, so the next re-read reads it again rather than missing it.
  snapshot.version = connection.changeCounter();
  snapshot.journalMark = table.journaled ? connection.journalMark() : std::nullopt;
  if (table.journaled) {
    // The insertion order comes first, kept aside, so that rows another copy adds can later be
    // put where a full read would list them.
    static const ColumnDef orderColumn{QStringLiteral("order"), ColumnKind::Integer};
    columns.insert(columns.begin(), &orderColumn);
  }
  const QString order = insertionOrder(table, connection);
  const QString sql = QStringLiteral("SELECT %1%2 FROM %3 ORDER BY %4")
                          .arg(table.journaled ? order + QStringLiteral(", ") : QString(), selectedColumns(table, true),
                               quoted(table.name), order);
  const QString action = QStringLiteral("read the %1 table").arg(table.name);
  if (table.held.empty()) {
    snapshot.rows = connection.select(sql, {}, columns, action);
    if (table.journaled) {
      snapshot.order.reserve(snapshot.rows.size());
      for (Row& row : snapshot.rows) {
        snapshot.order.push_back(row.front().toLongLong());
        row.erase(row.begin());
      }
    }
    return snapshot;
  }
  // A table that holds some columns (the patients) goes straight into its compact index, so that
  // a million rows are never all in memory as values at once. A server hands them over a page at
  // a time from one snapshot; the file reads them in one statement, its quickest way.
  snapshot.index = ListIndex(table);
  const auto take = [&](Rows& rows) {
    for (Row& row : rows) {
      snapshot.order.push_back(row.front().toLongLong());
      row.erase(row.begin());
      snapshot.index.append(row);
    }
    rows = Rows();
  };
  if (connection.dialect().server) {
    // Pages of some thousands: each is a round trip, and a page's values (a few megabytes) are
    // freed before the next comes, so that what the read leaves behind stays small.
    constexpr int kReadPage = 16384;
    connection.scan(sql, columns, kReadPage, take, action);
  } else {
    Rows rows = connection.select(sql, {}, columns, action);
    snapshot.order.reserve(rows.size());
    take(rows);
  }
  snapshot.index.shrinkToFit();
  snapshot.order.shrink_to_fit();
#ifdef __GLIBC__
  // The values read were freed a page at a time, in small pieces among the index's arrays: hand
  // the free memory back and join its pieces, so that neither stays with the process.
  malloc_trim(0);
#endif
  buildKeys(snapshot.index, snapshot.order, snapshot.keySlots, snapshot.keysUsed);
  snapshot.indexed = true;
  return snapshot;
}

void DataSet::adoptList(ListSnapshot snapshot) {
  if (master_) return;
  if (active()) {
    adoptUnderRow(std::move(snapshot));
    return;
  }
  if (!snapshot.journalMark) return;
  takeRows(snapshot);
  listLoaded_ = true;
  retained_ = true;
  filterChanged_ = true;  // the listed rows are worked out when the cursor opens
  if (!holdsAll_ && !snapshot.indexed) return;
  detached_.reset();
}

void DataSet::takeRows(ListSnapshot& snapshot) {
  rows_ = std::move(snapshot.rows);
  order_ = std::move(snapshot.order);
  journalMark_ = std::move(snapshot.journalMark);
  // The change counter belongs to the connection that read the rows: only the journal can tell
  // what changed since.
  loadedVersion_.reset();
  loadedGeneration_ = connection_.generation();
  visible_.clear();
  forgetRows();
  dropIndexes();
  if (!holdsAll_ && snapshot.indexed) {
    index_ = std::move(snapshot.index);
    keySlots_ = std::move(snapshot.keySlots);
    keysUsed_ = snapshot.keysUsed;
  }
}

void DataSet::dropList() const {
  listLoaded_ = false;
  rows_.clear();
  order_.clear();
  visible_.clear();
  forgetRows();
  dropIndexes();
}

void DataSet::adoptUnderRow(ListSnapshot snapshot) {
  // Only a cursor standing on its one row takes the list: one that read the list itself meanwhile
  // has it already.
  if (listLoaded_ || !listToCome_) return;
  listToCome_ = false;
  if (!snapshot.journalMark || (!holdsAll_ && !snapshot.indexed)) return;
  const QVariantList key = detached_ ? keyOfFull(*detached_) : QVariantList();
  takeRows(snapshot);
  pos_ = -1;
  listLoaded_ = true;
  bool taken = false;
  try {
    // What this copy and others wrote since the read began (a new patient, a course status) is
    // read through the journal, so that every row is listed once and as it is now.
    taken = catchUp();
    if (taken) {
      computeVisible();
      pos_ = key.isEmpty() ? -1 : locate(key);
      taken = key.isEmpty() || pos_ >= 0;
    }
  } catch (const std::exception&) {
    taken = false;
  }
  if (!taken) {
    // Nothing a user sees changes: the cursor stays on its row, the list read when needed.
    dropList();
    pos_ = -1;
    return;
  }
  detached_.reset();
  if (pos_ < 0 && !visible_.empty()) pos_ = 0;
  notifyData();
}

bool DataSet::openOnFirstOf(const QVariantList& keys) {
  if (active() || master_ || table_.key.size() != 1 || keys.isEmpty() || anyNull(keys)) return false;
  if (!connection_.isOpen()) checkActive();
  // The few rows with these keys by the key's index, and the first added of them picked here: a
  // server told to sort them might walk its insertion order instead.
  static const ColumnDef orderColumn{QStringLiteral("order"), ColumnKind::Integer};
  std::vector<const ColumnDef*> columns{&orderColumn};
  for (const ColumnDef& c : table_.columns) columns.push_back(&c);
  QStringList marks;
  for (qsizetype i = 0; i < keys.size(); ++i) marks << QStringLiteral("?");
  const QString sql = QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 IN (%5)")
                          .arg(orderBy(), columnList(false), quoted(table_.name),
                               quoted(table_.columns[static_cast<std::size_t>(table_.key.front())].name),
                               marks.join(QStringLiteral(", ")));
  Rows rows = connection_.select(sql, keys, columns, QStringLiteral("read a %1 row").arg(table_.name));
  if (rows.empty()) return false;
  const auto first = std::min_element(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return a.front().toLongLong() < b.front().toLongLong();
  });
  first->erase(first->begin());
  // Rows kept from before are of no use: the list comes from elsewhere.
  retained_ = false;
  dropList();
  detached_ = std::move(*first);
  listToCome_ = true;
  state_ = State::Browse;
  pos_ = -1;
  eof_ = bof_ = false;
  if (disableCount_ == 0) emit stateChanged();
  scrolled();
  return true;
}

QString DataSet::whereKey() const {
  QStringList parts;
  for (int k : table_.key) parts << quoted(table_.columns[static_cast<std::size_t>(k)].name) + QStringLiteral(" = ?");
  return parts.join(QStringLiteral(" AND "));
}

QVariantList DataSet::masterLinkValues() const {
  QVariantList values;
  const bool usable = master_ && master_->active() && master_->state_ != State::Insert && master_->hasCurrent();
  for (int c : masterLinkColumns_) values << (usable ? master_->value(c) : QVariant());
  return values;
}

void DataSet::loadList() const {
  std::vector<const ColumnDef*> columns;
  if (holdsAll_) {
    for (const ColumnDef& c : table_.columns) columns.push_back(&c);
  } else {
    for (int c : table_.held) columns.push_back(&table_.columns[static_cast<std::size_t>(c)]);
  }
  const QString action = QStringLiteral("read the %1 table").arg(table_.name);
  std::vector<Row> rows;
  std::optional<qint64> version;
  if (master_) {
    linkValues_ = masterLinkValues();
    if (!anyNull(linkValues_)) {
      QStringList where;
      for (int c : linkColumns_)
        where << quoted(table_.columns[static_cast<std::size_t>(c)].name) + QStringLiteral(" = ?");
      rows = connection_.select(
          QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
              .arg(columnList(true), quoted(table_.name), where.join(QStringLiteral(" AND ")), orderBy()),
          linkValues_, columns, action);
    }
  }
  std::optional<ListSnapshot> snapshot;
  if (!master_) {
    listToCome_ = false;  // read here: a list read elsewhere is of no use any more
    // The rows read before go first: a million of them need not be in memory twice.
    dropList();
    pos_ = -1;
    snapshot = readList(connection_, table_);
    rows = std::move(snapshot->rows);
    order_ = std::move(snapshot->order);
    journalMark_ = std::move(snapshot->journalMark);
    version = snapshot->version;
  }
  rows_ = std::move(rows);
  forgetRows();
  dropIndexes();
  if (snapshot && !holdsAll_) {
    index_ = std::move(snapshot->index);
    keySlots_ = std::move(snapshot->keySlots);
    keysUsed_ = snapshot->keysUsed;
  }
  detached_.reset();
  listLoaded_ = true;
  loadedVersion_ = version;
  loadedGeneration_ = connection_.generation();
  computeVisible();
}

bool DataSet::catchUp() const {
  if (master_ || !listLoaded_ || loadedGeneration_ != connection_.generation()) return false;
  const std::optional<qint64> now = connection_.changeCounter();
  // No other connection committed anything since the rows were read, and this cursor applied its
  // own changes to them: they are what a fresh read would give.
  if (now && loadedVersion_ && *now == *loadedVersion_) return true;
  if (holdsAll_ || !table_.journaled || !journalMark_) return false;
  const std::optional<Connection::JournalChanges> changes = connection_.changedSince(*journalMark_);
  if (!changes) return false;
  applyChanges(changes->keys);
  journalMark_ = changes->mark;
  loadedVersion_ = now;
  return true;
}

void DataSet::applyChanges(const QStringList& keys) const {
  if (keys.isEmpty()) return;
  const int keyColumn = table_.key.front();
  const auto keySlot = static_cast<std::size_t>(slot_[static_cast<std::size_t>(keyColumn)]);
  std::vector<const ColumnDef*> columns;
  static const ColumnDef orderColumn{QStringLiteral("order"), ColumnKind::Integer};
  columns.push_back(&orderColumn);
  for (int c : table_.held) columns.push_back(&table_.columns[static_cast<std::size_t>(c)]);
  // The changed rows as they are now, a few hundred keys per statement.
  std::vector<Row> fetched;
  constexpr int kChunk = 500;
  for (int from = 0; from < keys.size(); from += kChunk) {
    const QVariantList chunk(keys.begin() + from, keys.begin() + std::min<qsizetype>(keys.size(), from + kChunk));
    QStringList marks;
    for (int i = 0; i < chunk.size(); ++i) marks << QStringLiteral("?");
    Rows rows = connection_.select(
        QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 IN (%5)")
            .arg(orderBy(), columnList(true), quoted(table_.name),
                 quoted(table_.columns[static_cast<std::size_t>(keyColumn)].name), marks.join(QStringLiteral(", "))),
        chunk, columns, QStringLiteral("read the changed %1 rows").arg(table_.name));
    for (Row& r : rows) fetched.push_back(std::move(r));
  }
  const QVariantList current =
      hasCurrent() && listLoaded_ ? keyOfRow(visible_[static_cast<std::size_t>(pos_)]) : QVariantList();
  QSet<QString> seen;
  std::vector<Row> added;
  std::vector<qint64> addedOrder;
  std::vector<int> updated;
  std::vector<char> removed(index_.size(), 0);
  bool anyRemoved = false;
  for (Row& r : fetched) {
    const qint64 order = r.front().toLongLong();
    r.erase(r.begin());
    const QString key = r[keySlot].toString();
    seen.insert(key);
    const int at = rowOfKey(key);
    if (at >= 0 && order_[static_cast<std::size_t>(at)] != order) {
      // Deleted and added again: the new row stands where it was added, as a full read lists it.
      removeKey(at);
      removed[static_cast<std::size_t>(at)] = 1;
      anyRemoved = true;
    } else if (at >= 0) {
      storeHeld(at, r);
      cache_.erase(at);
      updated.push_back(at);
      continue;
    }
    added.push_back(std::move(r));
    addedOrder.push_back(order);
  }
  for (const QString& key : keys) {
    if (seen.contains(key)) continue;
    const int at = rowOfKey(key);
    if (at >= 0) {
      removeKey(at);
      removed[static_cast<std::size_t>(at)] = 1;
      anyRemoved = true;
    }
  }
  if (anyRemoved || !added.empty()) {
    // Rows come and go: build the list again in insertion order. Kept rows are copied across,
    // added ones indexed; the key look-up goes by insertion order, which stays.
    std::vector<std::size_t> byOrder(added.size());
    for (std::size_t i = 0; i < byOrder.size(); ++i) byOrder[i] = i;
    std::sort(byOrder.begin(), byOrder.end(),
              [&](std::size_t a, std::size_t b) { return addedOrder[a] < addedOrder[b]; });
    std::vector<qint64> order;
    std::vector<int> addedRows;
    ListIndex index = index_.takeForRebuild();
    order.reserve(order_.size() + added.size());
    std::size_t next = 0;
    const auto takeAdded = [&] {
      addedRows.push_back(static_cast<int>(order.size()));
      index.append(added[byOrder[next]]);
      order.push_back(addedOrder[byOrder[next]]);
      ++next;
    };
    for (std::size_t r = 0; r < order_.size(); ++r) {
      if (removed[r]) continue;
      while (next < byOrder.size() && addedOrder[byOrder[next]] < order_[r]) takeAdded();
      index.appendFrom(index_, r);
      order.push_back(order_[r]);
    }
    while (next < byOrder.size()) takeAdded();
    order_ = std::move(order);
    index_ = std::move(index);
    for (int row : addedRows) addKey(row);
    forgetRows();
    computeVisible();
  } else if (filtered_) {
    // Only values changed: only the changed rows can come into or drop out of the listed ones.
    for (int row : updated) {
      const RowView view(*this, row);
      const bool passes = (!filter_ || filter_(view)) && (!onFilterRecord_ || onFilterRecord_(view));
      const auto at = std::lower_bound(visible_.begin(), visible_.end(), row);
      const bool listed = at != visible_.end() && *at == row;
      if (passes && !listed) visible_.insert(at, row);
      if (!passes && listed) visible_.erase(at);
    }
  }
  pos_ = current.isEmpty() ? -1 : locate(current);
  if (pos_ < 0 && !visible_.empty()) pos_ = 0;
}

void DataSet::ensureList() const {
  if (listLoaded_ || state_ == State::Inactive) return;
  const QVariantList key = detached_ ? keyOfFull(*detached_) : QVariantList();
  loadList();
  pos_ = key.isEmpty() ? -1 : locate(key);
  if (pos_ < 0 && !visible_.empty()) pos_ = 0;
}

void DataSet::computeVisible() const {
  filterChanged_ = false;
  visible_.clear();
  const int n = static_cast<int>(heldCount());
  // A large list whose tests all have their whole-list form: one pass over its index each.
  if (filtered_ && (filter_ || onFilterRecord_) && (!filter_ || filterRows_) &&
      (!onFilterRecord_ || onFilterRecordRows_)) {
    if (!holdsAll_) {
      std::vector<char> keep(index_.size(), 1);
      if (filter_) filterRows_(index_, keep);
      if (onFilterRecord_) onFilterRecordRows_(index_, keep);
      for (int i = 0; i < n; ++i) {
        if (keep[static_cast<std::size_t>(i)]) visible_.push_back(i);
      }
      return;
    }
  }
  visible_.reserve(heldCount());
  for (int i = 0; i < n; ++i) {
    if (filtered_) {
      const RowView view(*this, i);
      if (filter_ && !filter_(view)) continue;
      if (onFilterRecord_ && !onFilterRecord_(view)) continue;
    }
    visible_.push_back(i);
  }
}

std::optional<DataSet::Row> DataSet::fetchRow(const QVariantList& key) const {
  if (key.isEmpty() || anyNull(key)) return std::nullopt;
  std::vector<const ColumnDef*> columns;
  for (const ColumnDef& c : table_.columns) columns.push_back(&c);
  auto rows = connection_.select(
      QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(columnList(false), quoted(table_.name), whereKey()), key,
      columns, QStringLiteral("read a %1 row").arg(table_.name));
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

std::optional<DataSet::Row> DataSet::storedValues(const QVariantList& key, const std::vector<int>& columns,
                                                  bool sizesOfBytes) const {
  static const ColumnDef size{QStringLiteral("size"), ColumnKind::Integer};
  std::vector<const ColumnDef*> defs;
  QStringList expressions;
  for (int i : columns) {
    const ColumnDef& c = table_.columns[static_cast<std::size_t>(i)];
    const bool bytes = c.kind == ColumnKind::VarBytes || c.kind == ColumnKind::Blob;
    defs.push_back(sizesOfBytes && bytes ? &size : &c);
    expressions << (sizesOfBytes && bytes ? QStringLiteral("length(%1)").arg(quoted(c.name)) : quoted(c.name));
  }
  // Locked until the transaction ends, so that what is recorded as the row's value before the
  // change is what the change replaced.
  Rows rows =
      connection_.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
                             .arg(expressions.join(QStringLiteral(", ")), quoted(table_.name), whereKey(),
                                  QString::fromLatin1(connection_.dialect().lockRows)),
                         key, defs, QStringLiteral("read the %1 row (%2)").arg(table_.name, describeKey(table_, key)));
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

void DataSet::forgetRows() const {
  cache_.clear();
  cacheOrder_.clear();
}

void DataSet::dropIndexes() const {
  index_ = holdsAll_ ? ListIndex() : ListIndex(table_);
  keySlots_.clear();
  keySlots_.shrink_to_fit();
  keysUsed_ = 0;
}

QVariant DataSet::heldValue(int row, int slot) const {
  const auto r = static_cast<std::size_t>(row);
  return holdsAll_ ? rows_[r][static_cast<std::size_t>(slot)] : index_.value(r, slot);
}

DataSet::Row DataSet::heldRow(int row) const {
  if (holdsAll_) return rows_[static_cast<std::size_t>(row)];
  Row held(table_.held.size());
  for (std::size_t j = 0; j < held.size(); ++j)
    held[j] = index_.value(static_cast<std::size_t>(row), static_cast<int>(j));
  return held;
}

void DataSet::storeHeld(int row, const Row& held) const {
  if (holdsAll_) {
    rows_[static_cast<std::size_t>(row)] = held;
    return;
  }
  const auto keySlot = static_cast<std::size_t>(slot_[static_cast<std::size_t>(table_.key.front())]);
  const QVariant& key = held[keySlot];
  const bool sameKey = key.isValid() ? !index_.keyNull(static_cast<std::size_t>(row)) &&
                                           index_.keyText(static_cast<std::size_t>(row)) == key.toString()
                                     : index_.keyNull(static_cast<std::size_t>(row));
  if (!sameKey) removeKey(row);
  index_.set(static_cast<std::size_t>(row), held);
  if (!sameKey) addKey(row);
}

void DataSet::remember(int row, Row full) const {
  if (holdsAll_) return;
  if (cache_.find(row) == cache_.end()) {
    while (cache_.size() >= kCachedRows && !cacheOrder_.empty()) {
      cache_.erase(cacheOrder_.front());
      cacheOrder_.pop_front();
    }
    cacheOrder_.push_back(row);
  }
  cache_[row] = std::move(full);
}

const DataSet::Row& DataSet::fullRow(int row, bool page) const {
  if (holdsAll_) return rows_[static_cast<std::size_t>(row)];
  const auto hit = cache_.find(row);
  if (hit != cache_.end()) return hit->second;
  // A grid shows the rows that follow: they come with this one, a page in one statement. The
  // cursor's own row (a click, a Select) is read alone.
  if (page) {
    fetchPageFrom(row);
    const auto paged = cache_.find(row);
    if (paged != cache_.end()) return paged->second;
  }
  std::optional<Row> fetched = fetchRow(keyOfRow(row));
  if (!fetched) {
    // Gone from the file since the list was read (another copy deleted it): show what is known.
    fetched.emplace(table_.columns.size());
    for (std::size_t c = 0; c < table_.columns.size(); ++c) {
      if (slot_[c] >= 0) (*fetched)[c] = heldValue(row, slot_[c]);
    }
  }
  remember(row, std::move(*fetched));
  return cache_.at(row);
}

void DataSet::fetchPageFrom(int row) const {
  if (table_.key.size() != 1 || !listLoaded_) return;
  // The listed rows from this one on that are not at hand, a page of them; the row asked for is
  // remembered last, so that making room for the others never drops it.
  std::vector<int> wanted;
  const auto from = std::lower_bound(visible_.begin(), visible_.end(), row);
  if (from == visible_.end() || *from != row) return;
  for (auto it = from; it != visible_.end() && wanted.size() < kPageRows; ++it) {
    if (cache_.find(*it) == cache_.end() && !anyNull(keyOfRow(*it))) wanted.push_back(*it);
  }
  if (wanted.size() < 2) return;  // one row: fetchRow reads it
  QVariantList keys;
  QStringList marks;
  QHash<QString, int> rowOf;
  for (int r : wanted) {
    const QVariant key = keyOfRow(r).front();
    keys << key;
    marks << QStringLiteral("?");
    rowOf.insert(key.toString(), r);
  }
  std::vector<const ColumnDef*> columns;
  for (const ColumnDef& c : table_.columns) columns.push_back(&c);
  const int keyColumn = table_.key.front();
  Rows fetched = connection_.select(
      QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
          .arg(columnList(false), quoted(table_.name), quoted(table_.columns[static_cast<std::size_t>(keyColumn)].name),
               marks.join(QStringLiteral(", "))),
      keys, columns, QStringLiteral("read a page of %1 rows").arg(table_.name));
  std::optional<Row> asked;
  for (Row& full : fetched) {
    const auto it = rowOf.constFind(full[static_cast<std::size_t>(keyColumn)].toString());
    if (it == rowOf.constEnd()) continue;
    if (*it == row) {
      asked = std::move(full);
    } else {
      remember(*it, std::move(full));
    }
  }
  if (asked) remember(row, std::move(*asked));
}

QVariant DataSet::heldOrFull(int row, int column, bool page) const {
  const int slot = slot_[static_cast<std::size_t>(column)];
  if (slot >= 0) return heldValue(row, slot);
  return fullRow(row, page)[static_cast<std::size_t>(column)];
}

QVariantList DataSet::keyOfRow(int row) const {
  QVariantList key;
  for (int k : table_.key) key << heldValue(row, slot_[static_cast<std::size_t>(k)]);
  return key;
}

QVariantList DataSet::keyOfFull(const Row& full) const {
  QVariantList key;
  for (int k : table_.key) key << full[static_cast<std::size_t>(k)];
  return key;
}

namespace {

std::size_t hashOfKey(QStringView key) { return qHash(key, 0); }

}  // namespace

void DataSet::buildKeys(const ListIndex& index, const std::vector<qint64>& order, std::vector<qint64>& keySlots,
                        std::size_t& used) {
  std::size_t capacity = 16;
  while (capacity * 7 < index.size() * 10) capacity *= 2;
  keySlots.assign(capacity, -1);
  used = 0;
  // While building, the row of each taken slot is at hand: a key is compared without looking its
  // row up. The first of two rows with one key is the one found, as a scan from the top finds it.
  std::vector<std::uint32_t> rowOf(capacity);
  const std::size_t mask = capacity - 1;
  for (std::size_t r = 0; r < index.size(); ++r) {
    if (index.keyNull(r)) continue;
    const QStringView key = index.keyText(r);
    for (std::size_t i = hashOfKey(key) & mask;; i = (i + 1) & mask) {
      if (keySlots[i] == -1) {
        keySlots[i] = order[r];
        rowOf[i] = static_cast<std::uint32_t>(r);
        ++used;
        break;
      }
      if (index.keyText(rowOf[i]) == key) break;
    }
  }
}

int DataSet::rowOfOrder(qint64 order, QStringView key) const {
  // Rows are held in ascending insertion order; a number given twice (a file reuses the number of
  // a deleted last row) is told apart by the key.
  for (auto at = std::lower_bound(order_.begin(), order_.end(), order); at != order_.end() && *at == order; ++at) {
    const auto row = static_cast<std::size_t>(at - order_.begin());
    if (!index_.keyNull(row) && index_.keyText(row) == key) return static_cast<int>(row);
  }
  return -1;
}

int DataSet::rowOfKey(QStringView key) const {
  if (holdsAll_ || keySlots_.empty()) return -1;
  const std::size_t mask = keySlots_.size() - 1;
  for (std::size_t i = hashOfKey(key) & mask;; i = (i + 1) & mask) {
    const qint64 slot = keySlots_[i];
    if (slot == -1) return -1;
    if (slot >= 0) {
      const int row = rowOfOrder(slot, key);
      if (row >= 0) return row;
    }
  }
}

void DataSet::addKey(int row) const {
  const auto r = static_cast<std::size_t>(row);
  if (holdsAll_ || index_.keyNull(r)) return;
  if ((keysUsed_ + 1) * 10 > keySlots_.size() * 7) {
    buildKeys(index_, order_, keySlots_, keysUsed_);  // the row is in the index: it is taken too
    return;
  }
  const QStringView key = index_.keyText(r);
  const std::size_t mask = keySlots_.size() - 1;
  std::optional<std::size_t> freed;
  for (std::size_t i = hashOfKey(key) & mask;; i = (i + 1) & mask) {
    const qint64 slot = keySlots_[i];
    if (slot == -1) {
      if (freed) {
        keySlots_[*freed] = order_[r];
      } else {
        keySlots_[i] = order_[r];
        ++keysUsed_;
      }
      return;
    }
    if (slot == -2) {
      if (!freed) freed = i;
    } else if (rowOfOrder(slot, key) >= 0) {
      return;  // an earlier row has the key
    }
  }
}

void DataSet::removeKey(int row) const {
  const auto r = static_cast<std::size_t>(row);
  if (holdsAll_ || keySlots_.empty() || index_.keyNull(r)) return;
  const QStringView key = index_.keyText(r);
  const std::size_t mask = keySlots_.size() - 1;
  for (std::size_t i = hashOfKey(key) & mask;; i = (i + 1) & mask) {
    const qint64 slot = keySlots_[i];
    if (slot == -1) return;
    if (slot >= 0 && rowOfOrder(slot, key) >= 0) {
      // The key's slot: freed when it finds this row, kept when it finds an earlier one.
      if (slot == order_[r]) keySlots_[i] = -2;
      return;
    }
  }
}

int DataSet::locate(const QVariantList& key) const {
  if (key.isEmpty() || anyNull(key)) return -1;
  const std::size_t nk = table_.key.size();
  auto matches = [&](int p) {
    const int row = visible_[static_cast<std::size_t>(p)];
    for (std::size_t k = 0; k < nk; ++k) {
      if (heldValue(row, slot_[static_cast<std::size_t>(table_.key[k])]) != key[static_cast<qsizetype>(k)])
        return false;
    }
    return true;
  };
  // Most look-ups return to the row that is current.
  if (pos_ >= 0 && pos_ < static_cast<int>(visible_.size()) && matches(pos_)) return pos_;
  // The patient list is large: find a text key through an index of the rows. The listed rows
  // are always in ascending row order, so the row's position is found by halving.
  if (!holdsAll_ && key[0].typeId() == QMetaType::QString) {
    const int row = rowOfKey(*static_cast<const QString*>(key[0].constData()));
    if (row < 0) return -1;
    const auto p = std::lower_bound(visible_.begin(), visible_.end(), row);
    return p != visible_.end() && *p == row ? static_cast<int>(p - visible_.begin()) : -1;
  }
  for (int p = 0; p < static_cast<int>(visible_.size()); ++p) {
    if (matches(p)) return p;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Current row

bool DataSet::hasCurrent() const {
  if (state_ == State::Inactive) return false;
  return listLoaded_ ? pos_ >= 0 : detached_.has_value();
}

const DataSet::Row* DataSet::currentRow() const {
  if (state_ == State::Edit || state_ == State::Insert) return &buffer_;
  if (!hasCurrent()) return nullptr;
  if (!listLoaded_) return &*detached_;
  return &fullRow(visible_[static_cast<std::size_t>(pos_)]);
}

QVariant DataSet::value(int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= table_.columns.size()) return {};
  if (state_ == State::Edit || state_ == State::Insert) return buffer_[static_cast<std::size_t>(column)];
  if (!hasCurrent()) return {};
  if (!listLoaded_) return (*detached_)[static_cast<std::size_t>(column)];
  return heldOrFull(visible_[static_cast<std::size_t>(pos_)], column);
}

QVariant DataSet::valueAt(int recNo, int column) const {
  if (!active() || column < 0 || static_cast<std::size_t>(column) >= table_.columns.size()) return {};
  ensureList();
  if (recNo < 1 || recNo > static_cast<int>(visible_.size())) return {};
  if (recNo - 1 == pos_ && state_ == State::Edit) return buffer_[static_cast<std::size_t>(column)];
  return heldOrFull(visible_[static_cast<std::size_t>(recNo - 1)], column, true);
}

void DataSet::setValue(int column, const QVariant& value) {
  const ColumnDef& def = table_.columns.at(static_cast<std::size_t>(column));
  if (state_ != State::Edit && state_ != State::Insert) {
    throw DataError(QStringLiteral("%1.%2 cannot be changed: the row is not being edited.").arg(table_.name, def.name));
  }
  if (def.kind == ColumnKind::AutoIncrement) {
    throw DataError(
        QStringLiteral("%1.%2 is numbered by the database and cannot be changed.").arg(table_.name, def.name));
  }
  buffer_[static_cast<std::size_t>(column)] = value;
  changed_[static_cast<std::size_t>(column)] = 1;
  if (disableCount_ == 0) emit fieldChanged(column);
}

bool DataSet::modified() const {
  return std::any_of(changed_.begin(), changed_.end(), [](char c) { return c != 0; });
}

std::vector<std::pair<int, QVariant>> DataSet::changes() const {
  std::vector<std::pair<int, QVariant>> out;
  if (state_ != State::Edit && state_ != State::Insert) return out;
  for (std::size_t c = 0; c < changed_.size(); ++c) {
    if (changed_[c]) out.emplace_back(static_cast<int>(c), buffer_[c]);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Events

void DataSet::notifyData() {
  if (disableCount_ == 0) emit dataChanged();
}

void DataSet::setState(State state) {
  state_ = state;
  if (disableCount_ == 0) emit stateChanged();
}

void DataSet::propagate() {
  if (disableCount_ > 0) {
    detailsPending_ = true;
    return;
  }
  // A detail may drop out of the list while it reacts (it never does today); walk a copy.
  const std::vector<DataSet*> details = details_;
  for (DataSet* d : details) d->masterChanged();
}

void DataSet::scrolled() {
  propagate();
  notifyData();
  emit afterScroll();
}

void DataSet::masterChanged() {
  if (!active()) return;
  if (listLoaded_ && masterLinkValues() == linkValues_) return;
  checkBrowseMode();
  loadList();
  landOnFirst();
  scrolled();
}

void DataSet::disableControls() { ++disableCount_; }

void DataSet::enableControls() {
  if (disableCount_ == 0 || --disableCount_ > 0) return;
  emit dataChanged();
  if (detailsPending_) {
    detailsPending_ = false;
    propagate();
  }
}

// ---------------------------------------------------------------------------------------------
// Opening and re-reading

void DataSet::checkActive() const {
  if (!active()) {
    throw DataError(QStringLiteral("The %1 table is not open: no database is connected (check the database "
                                   "directory on the About tab).")
                        .arg(table_.name));
  }
}

void DataSet::landOnFirst() {
  pos_ = visible_.empty() ? -1 : 0;
  eof_ = bof_ = pos_ < 0;
}

void DataSet::open() {
  if (active()) return;
  if (!connection_.isOpen()) checkActive();
  state_ = State::Browse;
  try {
    const bool exact = !master_ && retained_ && catchUp();
    if (exact) {
      if (filterChanged_) computeVisible();  // the filter changed while the table was closed
    } else {
      loadList();
    }
  } catch (...) {
    state_ = State::Inactive;
    retained_ = false;
    rows_.clear();
    order_.clear();
    visible_.clear();
    listLoaded_ = false;
    dropIndexes();
    throw;
  }
  retained_ = false;
  landOnFirst();
  if (disableCount_ == 0) emit stateChanged();
  scrolled();
}

void DataSet::close() {
  if (!active()) return;
  buffer_.clear();
  changed_.clear();
  state_ = State::Inactive;
  // A table without a master keeps its rows: if nothing changed meanwhile, opening it again
  // need not read them.
  retained_ = !master_ && listLoaded_;
  if (!retained_) {
    rows_.clear();
    order_.clear();
    visible_.clear();
    listLoaded_ = false;
    forgetRows();
    dropIndexes();
  }
  detached_.reset();
  listToCome_ = false;
  linkValues_.clear();
  pos_ = -1;
  eof_ = bof_ = true;
  if (disableCount_ == 0) emit stateChanged();
  notifyData();
  propagate();
}

void DataSet::reopen() {
  checkActive();
  const Bookmark mark = bookmark();
  buffer_.clear();
  changed_.clear();
  const bool wasEditing = state_ != State::Browse;
  state_ = State::Browse;
  bool found = true;
  if (master_) {
    loadList();
    pos_ = locate(mark.key);
    found = pos_ >= 0;
    if (!found) landOnFirst();
  } else {
    if (catchUp()) {
      pos_ = locate(mark.key);
      found = pos_ >= 0;
      if (!found) landOnFirst();
    } else {
      rows_.clear();
      order_.clear();
      visible_.clear();
      listLoaded_ = false;
      forgetRows();
      dropIndexes();
      pos_ = -1;
      detached_ = fetchRow(mark.key);
      if (!detached_) {
        loadList();  // nothing to return to: the list is needed now
        landOnFirst();
        found = false;
      }
    }
  }
  // A row that is still in the file but no longer passes the filter is simply not returned to; a
  // row that is gone is reported, so that nobody goes on writing to whatever row is now current.
  const bool lost = mark.isValid() && !found && !fetchRow(mark.key);
  eof_ = bof_ = !hasCurrent();
  if (wasEditing && disableCount_ == 0) emit stateChanged();
  scrolled();
  if (lost) {
    throw DataError(QStringLiteral("The %1 row (%2) is no longer in the database %3: another copy of the program may "
                                   "have deleted it. Return to the list and choose again.")
                        .arg(table_.name, describeKey(table_, mark.key), connection_.file()));
  }
}

void DataSet::refreshCurrent(bool lock) {
  checkActive();
  checkBrowseMode();
  const Bookmark mark = bookmark();
  if (!mark.isValid())
    throw DataError(QStringLiteral("There is no %1 row to read: the list is empty.").arg(table_.name));
  std::optional<Row> stored = readStored(lock);
  if (!stored) {
    throw DataError(QStringLiteral("The %1 row (%2) is no longer in the database %3: another copy of the program may "
                                   "have deleted it. Return to the list and choose again.")
                        .arg(table_.name, describeKey(table_, mark.key), connection_.file()));
  }
  Row& full = *stored;
  if (listLoaded_) {
    const int row = visible_[static_cast<std::size_t>(pos_)];
    Row held = heldRow(row);
    for (std::size_t c = 0; c < slot_.size(); ++c) {
      if (slot_[c] >= 0) held[static_cast<std::size_t>(slot_[c])] = full[c];
    }
    storeHeld(row, held);
    remember(row, std::move(full));
  } else {
    detached_ = std::move(full);
  }
  notifyData();
}

std::optional<DataSet::Row> DataSet::readStored(bool lock) const {
  checkActive();
  const QVariantList key = state_ == State::Edit ? editKey_ : bookmark().key;
  if (key.isEmpty() || anyNull(key)) return std::nullopt;
  std::vector<const ColumnDef*> columns;
  for (const ColumnDef& c : table_.columns) columns.push_back(&c);
  Rows rows = connection_.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
                                     .arg(columnList(false), quoted(table_.name), whereKey(),
                                          lock ? QString::fromLatin1(connection_.dialect().lockRows) : QString()),
                                 key, columns,
                                 QStringLiteral("read the %1 row (%2)").arg(table_.name, describeKey(table_, key)));
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

// ---------------------------------------------------------------------------------------------
// Moving

void DataSet::checkBrowseMode() {
  if (state_ == State::Edit || state_ == State::Insert) {
    if (modified()) {
      post();
    } else {
      cancel();
    }
  }
}

void DataSet::first() {
  checkActive();
  checkBrowseMode();
  ensureList();
  landOnFirst();
  scrolled();
}

void DataSet::last() {
  checkActive();
  checkBrowseMode();
  ensureList();
  pos_ = static_cast<int>(visible_.size()) - 1;
  eof_ = bof_ = pos_ < 0;
  scrolled();
}

void DataSet::next() {
  checkActive();
  checkBrowseMode();
  ensureList();
  if (pos_ >= 0 && pos_ + 1 < static_cast<int>(visible_.size())) {
    ++pos_;
    eof_ = bof_ = false;
    scrolled();
  } else {
    eof_ = true;
  }
}

void DataSet::prior() {
  checkActive();
  checkBrowseMode();
  ensureList();
  if (pos_ > 0) {
    --pos_;
    eof_ = bof_ = false;
    scrolled();
  } else {
    bof_ = true;
  }
}

bool DataSet::eof() const { return eof_ || !hasCurrent(); }
bool DataSet::bof() const { return bof_ || !hasCurrent(); }

bool DataSet::isEmpty() const {
  if (!active()) return true;
  if (!listLoaded_ && detached_) return false;
  ensureList();
  return visible_.empty();
}

int DataSet::recordCount() const {
  if (!active()) return 0;
  ensureList();
  return static_cast<int>(visible_.size());
}

int DataSet::recNo() const {
  if (!active()) return 0;
  ensureList();
  return pos_ + 1;
}

bool DataSet::setRecNo(int recNo) {
  checkActive();
  checkBrowseMode();
  ensureList();
  if (recNo < 1 || recNo > static_cast<int>(visible_.size())) return false;
  pos_ = recNo - 1;
  eof_ = bof_ = false;
  scrolled();
  return true;
}

Bookmark DataSet::bookmark() const {
  if (state_ == State::Insert || !hasCurrent()) return {};
  return {listLoaded_ ? keyOfRow(visible_[static_cast<std::size_t>(pos_)]) : keyOfFull(*detached_)};
}

bool DataSet::gotoBookmark(const Bookmark& bookmark) {
  checkActive();
  checkBrowseMode();
  if (!bookmark.isValid()) return false;
  if (!listLoaded_ && detached_ && keyOfFull(*detached_) == bookmark.key) {
    scrolled();
    return true;
  }
  ensureList();
  const int p = locate(bookmark.key);
  if (p < 0) return false;
  pos_ = p;
  eof_ = bof_ = false;
  scrolled();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Filtering

void DataSet::setFilter(RowTest filter, const QString& text, RowsTest rows) {
  filter_ = std::move(filter);
  filterRows_ = std::move(rows);
  filterText_ = text;
  filterChanged_ = true;
  if (filtered_ && active()) {
    checkBrowseMode();
    ensureList();
    computeVisible();
    landOnFirst();
    scrolled();
  }
}

void DataSet::setOnFilterRecord(RowTest test, RowsTest rows) {
  onFilterRecord_ = std::move(test);
  onFilterRecordRows_ = std::move(rows);
  filterChanged_ = true;
  if (filtered_ && active()) {
    checkBrowseMode();
    ensureList();
    computeVisible();
    landOnFirst();
    scrolled();
  }
}

void DataSet::setFiltered(bool on) {
  if (on == filtered_) return;
  filtered_ = on;
  filterChanged_ = true;
  if (!active()) return;
  checkBrowseMode();
  ensureList();
  computeVisible();
  landOnFirst();
  scrolled();
}

// ---------------------------------------------------------------------------------------------
// Changing rows

void DataSet::edit() {
  checkActive();
  if (state_ == State::Edit || state_ == State::Insert) return;
  const Row* row = currentRow();
  if (!row) throw DataError(QStringLiteral("There is no %1 row to change: the list is empty.").arg(table_.name));
  buffer_ = *row;
  changed_.assign(table_.columns.size(), 0);
  editKey_ = keyOfFull(buffer_);
  setState(State::Edit);
}

void DataSet::append() {
  checkActive();
  checkBrowseMode();
  buffer_.assign(table_.columns.size(), QVariant());
  changed_.assign(table_.columns.size(), 0);
  if (master_) {
    const bool usable = master_->active() && master_->hasCurrent();
    for (std::size_t i = 0; i < linkColumns_.size(); ++i) {
      const auto c = static_cast<std::size_t>(linkColumns_[i]);
      buffer_[c] = usable ? master_->value(masterLinkColumns_[i]) : QVariant();
      changed_[c] = 1;
    }
  }
  setState(State::Insert);
  propagate();
  notifyData();
  emit afterScroll();
}

void DataSet::cancel() {
  if (state_ != State::Edit && state_ != State::Insert) return;
  const bool wasInsert = state_ == State::Insert;
  buffer_.clear();
  changed_.clear();
  setState(State::Browse);
  if (wasInsert) {
    scrolled();
  } else {
    notifyData();
  }
}

void DataSet::post() {
  checkActive();
  if (state_ == State::Edit) {
    updateRow();
  } else if (state_ == State::Insert) {
    insertRow();
  }
}

void DataSet::updateRow() {
  std::vector<int> columns;
  for (std::size_t c = 0; c < changed_.size(); ++c) {
    if (changed_[c]) columns.push_back(static_cast<int>(c));
  }
  if (!columns.empty()) {
    if (anyNull(editKey_)) {
      throw DataError(
          QStringLiteral("The %1 row cannot be saved: its key (%2) is empty, so it cannot be found in the file.")
              .arg(table_.name, describeKey(table_, editKey_)));
    }
    const QString action =
        QStringLiteral("save the changed %1 row (%2)").arg(table_.name, describeKey(table_, editKey_));
    connection_.requireAudit(action);
    {
      // The change and its audit entry are stored together or not at all.
      Transaction together(connection_, action);
      // The values before the change, for its entry; a server's triggers see them themselves.
      const bool entry = programWritesEntries(connection_);
      Row before = buffer_;
      if (const std::optional<Row> stored = entry ? storedValues(editKey_, columns, false) : std::nullopt) {
        for (std::size_t i = 0; i < columns.size(); ++i) before[static_cast<std::size_t>(columns[i])] = (*stored)[i];
      }
      QStringList sets;
      for (int c : columns) sets << quoted(table_.columns[static_cast<std::size_t>(c)].name) + QStringLiteral(" = ?");
      QVariantList values;
      for (int c : columns) values << buffer_[static_cast<std::size_t>(c)];
      values << editKey_;
      const int affected = connection_
                               .execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                            .arg(quoted(table_.name), sets.join(QStringLiteral(", ")), whereKey()),
                                        values, action)
                               .affected;
      if (affected == 0) {
        throw DataError(
            QStringLiteral("The %1 row (%2) is no longer in the database %3: another copy of the program may "
                           "have deleted it. Return to the list to read the table again.")
                .arg(table_.name, describeKey(table_, editKey_), connection_.file()));
      }
      // A value written again unchanged is no change: it leaves no entry.
      const QString changes =
          entry ? describeChange(table_, AuditAction::Changed, before, buffer_, columns) : QString();
      if (!changes.isEmpty()) writeAuditEntry(connection_, table_, AuditAction::Changed, before, changes);
      together.commit();
    }
    if (listLoaded_ && pos_ >= 0) {
      const int row = visible_[static_cast<std::size_t>(pos_)];
      Row held = heldRow(row);
      for (std::size_t c = 0; c < slot_.size(); ++c) {
        if (slot_[c] >= 0) held[static_cast<std::size_t>(slot_[c])] = buffer_[c];
      }
      storeHeld(row, held);
      remember(row, buffer_);
    } else if (detached_) {
      detached_ = buffer_;
    }
  }
  buffer_.clear();
  changed_.clear();
  setState(State::Browse);
  notifyData();
  propagate();  // a changed link column moves the details
}

void DataSet::insertRow() {
  std::vector<int> columns;
  for (std::size_t c = 0; c < changed_.size(); ++c) {
    if (changed_[c]) columns.push_back(static_cast<int>(c));
  }
  QString sql;
  if (columns.empty()) {
    sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(table_.name));
  } else {
    QStringList names, marks;
    for (int c : columns) {
      names << quoted(table_.columns[static_cast<std::size_t>(c)].name);
      marks << QStringLiteral("?");
    }
    sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(quoted(table_.name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
  }
  // The new row's number: its auto-increment key where it has one, else its insertion order. A
  // server says it in the same statement.
  int numbered = -1;
  for (std::size_t c = 0; c < table_.columns.size(); ++c) {
    if (table_.columns[c].kind == ColumnKind::AutoIncrement) numbered = static_cast<int>(c);
  }
  // A server gives the stored row back in the same statement (and then its insertion order); the
  // file is asked for it afterwards.
  const bool server = connection_.dialect().server;
  if (server) {
    sql += QStringLiteral(" RETURNING ") + columnList(false);
    if (table_.journaled) sql += QStringLiteral(", ") + QString::fromLatin1(connection_.dialect().insertionOrder);
  }
  QVariantList values;
  for (int c : columns) values << buffer_[static_cast<std::size_t>(c)];
  const QString action = QStringLiteral("save the new %1 row").arg(table_.name);
  connection_.requireAudit(action);
  std::optional<Row> stored;
  QVariant id;
  {
    // The new row and its audit entry are stored together or not at all.
    Transaction together(connection_, action);
    const ExecResult result = connection_.execute(sql, values, action);
    id = result.insertedId;
    if (server && result.returned.size() >= table_.columns.size()) {
      stored.emplace(table_.columns.size());
      for (std::size_t c = 0; c < table_.columns.size(); ++c)
        (*stored)[c] = normalizeValue(table_.columns[c], result.returned[c]);
      id = table_.journaled ? result.returned.back()
                            : (numbered >= 0 ? (*stored)[static_cast<std::size_t>(numbered)] : QVariant());
    } else {
      if (numbered >= 0)
        buffer_[static_cast<std::size_t>(numbered)] =
            normalizeValue(table_.columns[static_cast<std::size_t>(numbered)], id);
      // Read the row back for what the store filled in (the Yes/No default, the photograph number).
      stored = fetchRow(keyOfFull(buffer_));
    }
    if (!stored) {
      stored = buffer_;
      for (std::size_t c = 0; c < table_.columns.size(); ++c) {
        if (table_.columns[c].kind == ColumnKind::Boolean && (*stored)[c].isNull()) (*stored)[c] = false;
      }
    }
    if (programWritesEntries(connection_)) {
      writeAuditEntry(connection_, table_, AuditAction::Added, *stored,
                      describeChange(table_, AuditAction::Added, {}, *stored));
    }
    together.commit();
  }
  if (listLoaded_) {
    Row held;
    if (holdsAll_) {
      held = *stored;
    } else {
      for (int c : table_.held) held.push_back((*stored)[static_cast<std::size_t>(c)]);
    }
    if (table_.journaled) order_.push_back(id.toLongLong());
    if (holdsAll_) {
      rows_.push_back(std::move(held));
    } else {
      index_.append(held);
    }
    const int row = static_cast<int>(heldCount()) - 1;
    addKey(row);
    visible_.push_back(row);
    pos_ = static_cast<int>(visible_.size()) - 1;
    remember(row, std::move(*stored));
  } else {
    detached_ = std::move(stored);
  }
  eof_ = bof_ = false;
  buffer_.clear();
  changed_.clear();
  setState(State::Browse);
  notifyData();
  propagate();
}

void DataSet::deleteRow() {
  checkActive();
  if (state_ == State::Insert) {
    cancel();
    return;
  }
  if (state_ == State::Edit) {
    buffer_.clear();
    changed_.clear();
    setState(State::Browse);
  }
  ensureList();
  if (pos_ < 0) throw DataError(QStringLiteral("There is no %1 row to delete: the list is empty.").arg(table_.name));
  const int row = visible_[static_cast<std::size_t>(pos_)];
  const QVariantList key = keyOfRow(row);
  if (anyNull(key)) {
    throw DataError(
        QStringLiteral("The %1 row cannot be deleted: its key (%2) is empty, so it cannot be found in the file.")
            .arg(table_.name, describeKey(table_, key)));
  }
  const QString action = QStringLiteral("delete the %1 row (%2)").arg(table_.name, describeKey(table_, key));
  connection_.requireAudit(action);
  {
    // The deletion and its audit entry are stored together or not at all. The entry keeps what
    // the row held, its byte columns as their sizes.
    Transaction together(connection_, action);
    std::vector<int> all(table_.columns.size());
    for (std::size_t c = 0; c < all.size(); ++c) all[c] = static_cast<int>(c);
    const std::optional<Row> before = programWritesEntries(connection_) ? storedValues(key, all, true) : std::nullopt;
    connection_.execute(QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoted(table_.name), whereKey()), key, action);
    if (before)
      writeAuditEntry(connection_, table_, AuditAction::Deleted, *before,
                      describeChange(table_, AuditAction::Deleted, *before, {}));
    together.commit();
  }
  // A row another copy deleted first is gone all the same.
  if (holdsAll_) {
    rows_.erase(rows_.begin() + row);
  } else {
    removeKey(row);
    index_.erase(static_cast<std::size_t>(row));
  }
  if (table_.journaled) order_.erase(order_.begin() + row);
  forgetRows();
  visible_.erase(visible_.begin() + pos_);
  for (int& v : visible_) {
    if (v > row) --v;
  }
  if (pos_ >= static_cast<int>(visible_.size())) pos_ = static_cast<int>(visible_.size()) - 1;
  eof_ = bof_ = pos_ < 0;
  scrolled();
}

}  // namespace records
