#pragma once
// The held columns of a large list (the patients) kept compact: the list's rows themselves, and
// what its searches look at, so that a million patients take tens of megabytes rather than
// hundreds, and a search over them is a tight pass over plain arrays rather than a call and a
// QVariant per row.
//
// A key column is kept as one run of characters per row, as stored and letter-case folded (each
// character folded on its own, as Qt's case-insensitive comparisons fold); any other text column
// as the number of its distinct value, each distinct value kept once with its folded form, so that
// a search for a part of a surname looks at each distinct surname once. A whole-number column is
// kept as its value. Nulls are marked apart; a search sees a null text as the empty text.
//
// The index follows the rows: one row set, appended or removed costs what that row costs; rows
// re-ordered (others added and removed patients) are copied across, not folded again.

#include <QHash>
#include <QString>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace records {

struct TableDef;

// Folds the letter case of each character as Qt's case-insensitive comparisons do.
QString foldedText(QStringView text);

class ListIndex {
 public:
  using Row = std::vector<QVariant>;

  ListIndex() = default;
  // The searched columns of `table`: its held text and whole-number columns, by their slot in a
  // held row.
  explicit ListIndex(const TableDef& table);
  // Whether every held column of `table` can be kept here, so that the index can stand for the
  // held rows themselves.
  static bool holdsEveryHeld(const TableDef& table);

  // The held value of row `row` in held slot `slot`, as the store gave it (null: invalid).
  QVariant value(std::size_t row, int slot) const;
  // The stored text of the key column's row `row` without a copy (empty for null), and whether
  // it is null. The key column is the first kept as runs.
  QStringView keyText(std::size_t row) const;
  bool keyNull(std::size_t row) const;

  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }

  void clear();
  void append(const Row& held);
  void set(std::size_t row, const Row& held);
  void erase(std::size_t row);
  // Row `row` of `other` (same columns, same dictionaries moved in) appended.
  void appendFrom(const ListIndex& other, std::size_t row);
  // An empty index with the columns and the distinct texts of this one (moved out of it).
  ListIndex takeForRebuild();
  // Gives back what the arrays reserved beyond their rows (after a read of the whole list).
  void shrinkToFit();

  // Clears keep[r] for each row whose column `column` (a table column) does not begin with, does
  // not contain, or is not, the folded text `part`; an empty part keeps every row.
  enum class Match { Prefix, Part, Whole };
  void keepText(int column, const QString& foldedPart, Match match, std::vector<char>& keep) const;
  // Calls keep[r] = keep[r] && test(value or nullopt) over the whole-number column `column`.
  template <typename Test>
  void keepWhole(int column, Test test, std::vector<char>& keep) const;
  bool hasColumn(int column) const { return find(column) != nullptr; }

 private:
  static constexpr std::uint16_t kNullLength = 0xFFFF;
  static constexpr std::uint32_t kNullId = 0xFFFFFFFF;
  struct Column {
    int column = -1;  // in the table
    int slot = -1;    // in a held row
    enum Kind { Runs, Distinct, Whole } kind = Whole;
    // Runs: the folded text of each row in `chars` from begin[r], length len[r]; the stored text
    // in `stored` from storedBegin[r], length storedLen[r] (kNullLength for a null).
    std::vector<char16_t> chars;
    std::vector<std::uint32_t> begin;
    std::vector<std::uint16_t> len;
    std::vector<char16_t> stored;
    std::vector<std::uint32_t> storedBegin;
    std::vector<std::uint16_t> storedLen;
    // Distinct: the number of each row's stored text in `texts` (kNullId for a null), and each
    // distinct text's folded form.
    std::vector<std::uint32_t> ids;
    std::vector<QString> texts;
    std::vector<QString> folded;
    QHash<QString, std::uint32_t> numberOf;
    // Whole: the value of each row, and whether it is null.
    std::vector<qint64> values;
    std::vector<char> nulls;
  };
  const Column* find(int column) const;
  static void put(Column& c, std::size_t row, const QVariant& value, bool appending);

  std::vector<Column> columns_;
  std::size_t size_ = 0;
  int keyColumn_ = -1;  // in columns_: the first kept as runs
};

template <typename Test>
void ListIndex::keepWhole(int column, Test test, std::vector<char>& keep) const {
  const Column* c = find(column);
  if (!c) return;
  const std::size_t n = std::min(keep.size(), size_);
  for (std::size_t r = 0; r < n; ++r) {
    if (keep[r]) keep[r] = test(c->nulls[r] ? std::optional<qint64>() : std::optional<qint64>(c->values[r]));
  }
}

}  // namespace records
