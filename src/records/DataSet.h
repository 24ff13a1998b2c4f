#pragma once
// A scrollable cursor over one table of the store, read as a snapshot.
//
// The cursor lists the table's rows as they were when it was opened or last re-read; rows that
// another copy of the program adds or changes appear only after a re-read (reopen). Its own
// changes are visible at once. One row is current; the window's bound widgets show it and the
// handlers write it through the field accessors (records/Field.h): edit() or append(), set the
// fields, post().
//
// Detail cursors (setMaster) list only the rows whose link columns equal the master's current row.
// When the master moves to a row with other link values, the detail reads its rows anew and stands
// on the first; a row appended to a detail takes the master's link values.
//
// Updates and deletes find their row by the table's key columns alone and write only the columns
// that were changed, so a row that another copy changed meanwhile is still updated.
//
// How the snapshot is held. A detail keeps all columns of its few rows. A table without a master
// (the patients: a department may have a million) keeps only its `held` columns for every row, in
// a compact index (ListIndex: the key, the folded texts, the status; a few dozen bytes a patient),
// and reads a row's other columns when the row is looked at, a page of 64 listed rows per
// statement, keeping the latest few hundred.
// Its re-read reads only what changed: when no other connection has committed anything since the
// rows were read, they are still exact (this cursor applies its own changes to them) and nothing
// is read; when others did, the store's change journal names the patients they changed and only
// those rows are read again. Without a journal only the current row is read at once and the list
// is read again when something first needs it (a move, a count, a filter). What a user sees is the
// same; the waits are shorter.
//
// Position flags: eof() is true when there is no current row or next() found no row after the
// current one; bof() likewise for prior(). Any move that lands on a row clears both.

#include <QHash>
#include <QObject>
#include <QVariant>
#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "records/ListIndex.h"
#include "records/Schema.h"

namespace records {

class Connection;
class DataSet;

// A remembered row: the values of its key columns. It finds the row again after a re-read as long
// as the row exists and passes the filter.
struct Bookmark {
  QVariantList key;
  bool isValid() const { return !key.isEmpty(); }
  friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

// Read access to one row of a cursor's snapshot, given to filter tests. A value is valid until the
// test looks at another row.
class RowView {
 public:
  const QVariant& value(int column) const;
  QString text(int column) const;  // empty for null
  bool isNull(int column) const;
  // The text of a text column without a copy (empty for null), and the number of a whole-number
  // column (nullopt for null): the quick forms a filter over a whole patient list wants.
  QStringView textView(int column) const;
  std::optional<qint64> whole(int column) const;

 private:
  friend class DataSet;
  RowView(const DataSet& dataSet, int row) : dataSet_(dataSet), row_(row) {}
  const DataSet& dataSet_;
  int row_;
  static constexpr std::size_t kHeldSlots = 8;
  mutable std::array<QVariant, kHeldSlots> held_;  // values of a compactly held row, by held slot
};

using RowTest = std::function<bool(const RowView&)>;
// The same test over every row of a large list at once, through its compact index: clears keep[r]
// for each row r it refuses. It must accept exactly the rows its RowTest accepts.
using RowsTest = std::function<void(const ListIndex&, std::vector<char>& keep)>;

// The rows of a table without a master as a cursor lists them (its held columns, in insertion
// order), read by a connection of their own, perhaps on another thread, for a cursor to take over
// (DataSet::adoptList). The journal mark is taken before the rows are read, so that a cursor that
// takes them over reads again every patient changed since.
struct ListSnapshot {
  std::vector<std::vector<QVariant>> rows;  // a table that holds all its columns
  std::vector<qint64> order;                // insertion order of each row
  std::optional<QVariant> journalMark;      // none: the store keeps no change journal
  std::optional<qint64> version;            // the reading connection's change counter
  // A table that holds some columns (the patients): its rows in their compact index, and the
  // look-up from a key to the insertion order of its first row (DataSet::buildKeys).
  ListIndex index;
  std::vector<qint64> keySlots;
  std::size_t keysUsed = 0;
  bool indexed = false;
};

class DataSet : public QObject {
  Q_OBJECT

 public:
  enum class State { Inactive, Browse, Edit, Insert };

  DataSet(Connection& connection, const TableDef& table, QObject* parent = nullptr);
  ~DataSet() override;

  const TableDef& table() const { return table_; }
  Connection& connection() const { return connection_; }
  // Index of a column by name; raises DataError for a name the table does not have.
  int columnIndex(const QString& name) const;

  // Makes this cursor a detail of `master`, linked on the named columns (same names in both).
  void setMaster(DataSet& master, const QStringList& linkColumns);

  // ---- opening
  void open();  // reads the rows; the first becomes current
  // Reads what a cursor over `table` (without a master) lists, through `connection`, which may
  // belong to another thread than any cursor. Raises DataError when the store refuses.
  static ListSnapshot readList(Connection& connection, const TableDef& table);
  // A closed cursor without a master takes over rows another connection read: the next open()
  // reads only the rows changed since (the change journal says which). Rows without a journal
  // mark are not taken: open() then reads the table itself. A cursor opened on one row while the
  // list was read (openOnFirstOf) takes them over at once, with what this and other connections
  // changed since, and stays on its row; when the journal cannot say what changed, or the row is
  // no longer listed, it stays on its one row and reads the list when something first needs it.
  void adoptList(ListSnapshot snapshot);
  // Opens a closed cursor without a master, with a single-column key, on the first row (in
  // insertion order) whose key is one of `keys`, read by the table's unique index, without
  // reading the list: a patient opens while the list is still being read elsewhere. Its details
  // follow it as they follow any current row. False, and the cursor stays closed, when no row has
  // any of these keys (or the cursor is not one that can open so).
  bool openOnFirstOf(const QVariantList& keys);
  // Open on one row with the list still to come (openOnFirstOf): a grid shows no rows meanwhile,
  // and nothing need read the list for it.
  bool awaitingList() const { return active() && !listLoaded_ && listToCome_; }
  void close();  // discards an unposted edit
  bool active() const { return state_ != State::Inactive; }
  State state() const { return state_; }
  // Raises DataError, saying that no database is connected, when the cursor is closed.
  void checkActive() const;
  // Close and open again, then return to the row that was current. If that row no longer passes
  // the filter the first row becomes current; if it is gone from the file (another copy deleted
  // it) the first row becomes current and DataError reports it.
  void reopen();
  // Reads the current row again from the store; with `lock`, the row stays locked against other
  // copies until the connection's transaction ends (call it inside one), so that a value read here
  // and written back cannot have been changed in between. Raises DataError when the row is gone.
  void refreshCurrent(bool lock);
  // The current row as the store holds it now, read past an edit of it and without touching the
  // snapshot; with `lock`, as refreshCurrent. Nothing when the row is gone from the store.
  std::optional<std::vector<QVariant>> readStored(bool lock) const;

  // ---- moving (each posts an edit in progress first)
  void first();
  void last();
  void next();
  void prior();
  bool eof() const;
  bool bof() const;
  bool isEmpty() const;  // no current row
  int recordCount() const;
  int recNo() const;  // number of the current row counted from 1; 0 when there is none
  bool setRecNo(int recNo);
  Bookmark bookmark() const;                    // invalid while a new row is being appended
  bool gotoBookmark(const Bookmark& bookmark);  // false, and no move, when the row is not listed

  // ---- changing rows
  void edit();       // the current row becomes editable
  void append();     // a new, empty row becomes current and editable
  void post();       // writes the edited or new row; on failure the row stays in edit
  void cancel();     // drops the edit; after append the previous row is current again
  void deleteRow();  // deletes the current row; the next one (or the new last) becomes current
  bool modified() const;
  // The columns set since edit() or append(), with their values: what post() would write.
  std::vector<std::pair<int, QVariant>> changes() const;

  // ---- filtering: a row is listed when filter and per-row test (each if set) accept it. With a
  // RowsTest for each, a large list is filtered through its index, in one pass.
  void setFilter(RowTest filter, const QString& text = {}, RowsTest rows = {});
  void setOnFilterRecord(RowTest test, RowsTest rows = {});
  void setFiltered(bool on);
  bool filtered() const { return filtered_; }
  const QString& filterText() const { return filterText_; }
  bool hasFilterRecordTest() const { return static_cast<bool>(onFilterRecord_); }

  // ---- bound widgets. While detached, no dataChanged/fieldChanged/stateChanged is sent and
  // details do not follow this cursor; re-attaching sends one dataChanged and brings the details
  // up to date. afterScroll is sent in any case (its listeners decide whether to act).
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disableCount_ > 0; }

  // ---- values of the current row (null QVariant for a null column or no current row)
  QVariant value(int column) const;
  bool isNull(int column) const { return value(column).isNull(); }
  // Sets a column of the row being edited; `value` must already have the column's type.
  void setValue(int column, const QVariant& value);
  // A column of the listed row `recNo` (from 1), for grids; does not move the cursor. A row not at
  // hand is read with the page of rows listed after it.
  QVariant valueAt(int recNo, int column) const;

 signals:
  void afterScroll();             // after every move to another row, open and re-read
  void dataChanged();             // the listed rows or the current row may have changed
  void fieldChanged(int column);  // a column of the row being edited was set
  void stateChanged();            // opened, closed, edit began or ended

 private:
  using Row = std::vector<QVariant>;
  friend class RowView;

  void checkBrowseMode();
  std::size_t heldCount() const { return holdsAll_ ? rows_.size() : index_.size(); }
  QVariant heldValue(int row, int slot) const;
  Row heldRow(int row) const;
  // A row's held values replaced, keeping the key look-up right when its key changes.
  void storeHeld(int row, const Row& held) const;
  bool hasCurrent() const;
  const Row* currentRow() const;
  // With `page`, as a grid asks: the rows listed after it are read in the same statement.
  const Row& fullRow(int row, bool page = false) const;
  void fetchPageFrom(int row) const;
  QVariant heldOrFull(int row, int column, bool page = false) const;
  QVariantList keyOfRow(int row) const;
  QVariantList keyOfFull(const Row& full) const;
  int locate(const QVariantList& key) const;  // position in visible_, -1 when not listed
  void dropIndexes() const;
  // The key look-up of a compactly held list: an open-addressing table of insertion orders (-1
  // free, -2 freed), each the first row with its key, found again through the key's hash.
  static void buildKeys(const ListIndex& index, const std::vector<qint64>& order, std::vector<qint64>& keySlots,
                        std::size_t& used);
  int rowOfOrder(qint64 order, QStringView key) const;
  void addKey(int row) const;           // the row's key, unless an earlier row has it
  void removeKey(int row) const;        // the row's key, when the row is the one it finds
  int rowOfKey(QStringView key) const;  // -1 when not held
  void loadList() const;
  void adoptUnderRow(ListSnapshot snapshot);
  void takeRows(ListSnapshot& snapshot);  // the rows, their journal mark and index, listed nowhere yet
  void dropList() const;                  // the rows and what is worked out from them
  bool catchUp() const;
  void applyChanges(const QStringList& keys) const;
  void ensureList() const;
  void computeVisible() const;
  std::optional<Row> fetchRow(const QVariantList& key) const;
  // The given columns of the stored row with this key (byte columns as their sizes, when asked),
  // locked until the transaction ends; what the audit trail records as the values before a change.
  std::optional<Row> storedValues(const QVariantList& key, const std::vector<int>& columns, bool sizesOfBytes) const;
  QVariantList masterLinkValues() const;
  QString columnList(bool heldOnly) const;
  QString orderBy() const;
  QString whereKey() const;
  void forgetRows() const;
  void remember(int row, Row full) const;
  void landOnFirst();
  void scrolled();
  void notifyData();
  void propagate();
  void masterChanged();
  void setState(State state);
  void insertRow();
  void updateRow();

  Connection& connection_;
  const TableDef& table_;
  std::vector<int> slot_;  // column -> index in a held row, -1 when read on demand
  bool holdsAll_;

  DataSet* master_ = nullptr;
  std::vector<int> linkColumns_, masterLinkColumns_;
  mutable QVariantList linkValues_;  // what the rows were read for
  std::vector<DataSet*> details_;

  State state_ = State::Inactive;
  // The snapshot, in listing order, of a table that holds all columns; one that holds some keeps
  // its rows in index_ alone.
  mutable std::vector<Row> rows_;
  mutable std::vector<int> visible_;  // rows passing the filter
  mutable bool listLoaded_ = false;
  mutable std::optional<qint64> loadedVersion_;  // change counter when rows_ were read
  mutable int loadedGeneration_ = -1;            // connection generation when rows_ were read
  mutable std::optional<QVariant> journalMark_;  // change journal mark taken with the read of rows_
  mutable std::vector<qint64> order_;            // insertion order of each row of a journaled table
  bool retained_ = false;                        // rows_ kept over a close
  mutable bool listToCome_ = false;              // opened on one row; the list is read elsewhere
  mutable std::optional<Row> detached_;          // current row while the list is not read
  mutable int pos_ = -1;                         // current position in visible_
  bool eof_ = true, bof_ = true;

  mutable std::unordered_map<int, Row> cache_;  // full rows of a partly held snapshot
  mutable std::deque<int> cacheOrder_;
  // Of a partly held, journaled snapshot (the patient list): the held rows themselves with the
  // searched columns, and the key look-up. Built with the read of the rows (on the reading thread
  // at a start), kept up to date with every change after, never thrown away while the rows are
  // kept.
  mutable ListIndex index_;
  mutable std::vector<qint64> keySlots_;
  mutable std::size_t keysUsed_ = 0;

  Row buffer_;                 // the row being edited or appended
  std::vector<char> changed_;  // columns set since edit/append
  QVariantList editKey_;       // key of the edited row as it was read

  RowTest filter_, onFilterRecord_;
  RowsTest filterRows_, onFilterRecordRows_;
  QString filterText_;
  bool filtered_ = false;
  mutable bool filterChanged_ = false;  // since the listed rows were last worked out

  int disableCount_ = 0;
  bool detailsPending_ = false;
};

// Detaches a cursor's bound widgets for a scope, and re-attaches them on every path out of it.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(DataSet& dataSet) : dataSet_(dataSet) { dataSet_.disableControls(); }
  ~ControlsDisabled() { dataSet_.enableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  DataSet& dataSet_;
};

}  // namespace records
