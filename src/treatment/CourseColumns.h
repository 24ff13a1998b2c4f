#pragma once
// How a course row keeps its 29 treatment records and its 29 "% Inc" increments: one byte string
// per record field, each holding the entries of treatments 1..29 in order without gaps, numbers
// little-endian. Courses already stored rely on these layouts byte for byte.
//
//   Burn, Condition       29 x signed 8-bit
//   Temperature, Dose     29 x 32-bit IEEE float
//   WhenDate              29 x the high-order 4 bytes of the 64-bit date (bytes 4..7 of its
//                         little-endian form); reading sets the low-order half to zero, which keeps
//                         the whole day exactly for every date up to the year 7641 (and as far
//                         before 1899-12-30) and drops most of the time of day
//   TxTime, Initials      29 short strings: a length byte L, then L single-byte characters
//   PInc                  29 x signed 16-bit; -32768 marks an empty cell
//
// The packing knows nothing of the database: the course binding moves these byte strings in and
// out of its columns. A null Condition column means the records were never stored for that course
// (the records then keep what they hold), a null PInc column that the increments were never edited;
// the binding checks that before it unpacks.
//
// Reading is forgiving and never reads past the bytes it is given: an entry the stored value does
// not reach (fewer than 29 entries, a time column that ends early) reads as zero or empty.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "treatment/TreatmentRecord.h"

namespace treatment {

// ---------------------------------------------------------------------------------------------
// The var-bytes columns of a course and the room the store gives each.

struct VarBytesColumn {
  const char* name;
  int declaredSize;  // the size the table declares
  int capacity;      // the most bytes the store accepts; the declared size except for TxTime
  // The field buffer: a 16-bit little-endian length, then room for `capacity` bytes.
  constexpr int bufferSize() const { return capacity + 2; }
};

inline constexpr int kShortTime = 5;      // characters of a treatment time "mm:ss"
inline constexpr int kShortInitials = 3;  // characters of the therapist's initials

inline constexpr VarBytesColumn kBurnColumn{"Burn", 32, 32};
inline constexpr VarBytesColumn kConditionColumn{"Condition", 30, 30};
inline constexpr VarBytesColumn kTemperatureColumn{"Temperature", 120, 120};
inline constexpr VarBytesColumn kDoseColumn{"Dose", 120, 120};
inline constexpr VarBytesColumn kWhenDateColumn{"WhenDate", 240, 240};
// Declared 150, but 29 five-character times take 29 x 6 = 174 bytes. The store has room for them,
// so the whole column is kept: a full course of times reads back unchanged and nothing is cut.
inline constexpr VarBytesColumn kTxTimeColumn{"TxTime", 150, kTreatments*(1 + kShortTime)};
inline constexpr VarBytesColumn kInitialsColumn{"Initials", 120, 120};
inline constexpr VarBytesColumn kPIncColumn{"PInc", 60, 60};
inline constexpr VarBytesColumn kSpotsColumn{"Spots", 160, 160};

// Every var-bytes column of the course table, for the store's capacity checks.
inline constexpr std::array<VarBytesColumn, 9> kVarBytesColumns{
    kBurnColumn,   kConditionColumn, kTemperatureColumn, kDoseColumn,  kWhenDateColumn,
    kTxTimeColumn, kInitialsColumn,  kPIncColumn,        kSpotsColumn,
};

// The column of that name (letter case as the table spells it); nullptr when there is none.
const VarBytesColumn* findVarBytesColumn(QStringView name);

// The field buffer of a value: its length as 16-bit little-endian, the bytes, then zeros up to
// the column's buffer size. Throws std::length_error naming the column when the value is longer
// than the column's capacity: nothing is ever cut or written past the buffer.
QByteArray toFieldBuffer(const VarBytesColumn& column, QByteArrayView bytes);

// The value held in a field buffer: the first min(maxLength, stored length) bytes, and never more
// than the buffer actually holds after its length (a damaged length cannot reach past its end).
// A negative maxLength means no limit. A buffer of fewer than 2 bytes holds nothing.
QByteArray fromFieldBuffer(QByteArrayView buffer, int maxLength = -1);

// ---------------------------------------------------------------------------------------------
// The 29 treatment records.

// The seven columns of the treatment records, as stored in the course row.
struct TableColumns {
  QByteArray burn;
  QByteArray response;
  QByteArray Temperature;
  QByteArray Dose;
  QByteArray WhenDate;
  QByteArray TxTime;
  QByteArray Initials;
};

// Packs records 1..29 (records[0] is treatment 1). All 29 entries are written, recorded or not.
// A time longer than 5 characters or initials longer than 3 are cut to them, as reading would.
TableColumns packTable(std::span<const TreatmentRecord, kTreatments> records);

// Unpacks the seven columns into 29 new records (result[0] is treatment 1). Each record's When is
// the stored high half with a zero low half; times are cut to 5 characters, initials to 3.
// A column shorter than its full length gives zero or empty entries for the treatments it does not
// reach. In TxTime and Initials an entry whose length byte promises more characters than are left
// reads as empty, as do all entries after it: a cut-off time such as "12:3" is never shown.
std::array<TreatmentRecord, kTreatments> unpackTable(const TableColumns& columns);

// The record fields time and Initials hold one byte per character, read as Latin-1. Text from a
// widget is turned into that form here: a character outside Latin-1 becomes '?'. (The entry dialog
// only ever gives digits, ':' and letters, so this never happens in practice.)
std::string toRecordText(QStringView text);
QString fromRecordText(const std::string& text);

// ---------------------------------------------------------------------------------------------
// The 29 "% Inc" increments.

// The empty increment mark: the stored entry of a cell that holds no usable whole number.
inline constexpr std::int16_t kEmptyIncrement = -32768;

// The texts of the "% Inc" cells of rows 1..29; row r is at [r - 1].
using IncrementTexts = std::array<QString, kTreatments>;

// The stored entry of one cell: the whole number the text holds (leading blanks and one sign
// allowed, nothing after the digits) when it is below 32767 and not below -32768; the empty mark
// otherwise, which covers an empty cell, a word, 32767 and above, and numbers too negative for
// 16 bits. A cell holding -32768 itself is the empty mark, and so reads back empty.
std::int16_t incrementEntry(const QString& cellText);

// The 58 bytes of PInc.
QByteArray packIncrements(const IncrementTexts& cells);

// The cell texts of a stored PInc (58 bytes, or up to 60): an empty text for the empty mark,
// else the number in decimal (signed, no leading blanks). Rows the bytes do not reach are empty.
IncrementTexts unpackIncrements(QByteArrayView bytes);

}  // namespace treatment
