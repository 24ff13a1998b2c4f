// Packing the 29 treatment records and the 29 increments into the byte strings of a course row,
// and reading them back, including stored values that are short or damaged.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "base/DateTime.h"
#include "treatment/CourseColumns.h"

using namespace treatment;

// Failures show texts as text.
void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

using Records = std::array<TreatmentRecord, kTreatments>;

// A copy of `bytes` in a heap block of exactly their size, seen through a QByteArray that does not
// own it: a read one byte past the end is caught by AddressSanitizer (a normal QByteArray keeps a
// terminating zero after its bytes, which would hide such a read).
class ExactBytes {
 public:
  explicit ExactBytes(QByteArrayView bytes)
      : storage_(std::make_unique<char[]>(static_cast<std::size_t>(std::max<qsizetype>(bytes.size(), 1)))),
        size_(bytes.size()) {
    if (size_ > 0) std::memcpy(storage_.get(), bytes.data(), static_cast<std::size_t>(size_));
  }
  QByteArray view() const { return size_ == 0 ? QByteArray() : QByteArray::fromRawData(storage_.get(), size_); }

 private:
  std::unique_ptr<char[]> storage_;
  qsizetype size_;
};

QByteArray fourBytes(std::uint32_t v) {
  QByteArray out;
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}
QByteArray floatBytes(float f) { return fourBytes(std::bit_cast<std::uint32_t>(f)); }

// The short strings of a time or initials column, in order.
std::vector<QByteArray> shortStrings(const QByteArray& column) {
  std::vector<QByteArray> out;
  for (qsizetype pos = 0; pos < column.size();) {
    const auto n = static_cast<unsigned char>(column[pos]);
    out.push_back(column.mid(pos + 1, n));
    pos += 1 + n;
  }
  return out;
}

void expectSameRecord(const TreatmentRecord& actual, const TreatmentRecord& expected) {
  EXPECT_EQ(actual.burn, expected.burn);
  EXPECT_EQ(actual.response, expected.response);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.Temperature), std::bit_cast<std::uint32_t>(expected.Temperature));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.Dose), std::bit_cast<std::uint32_t>(expected.Dose));
  EXPECT_EQ(actual.time, expected.time);
  EXPECT_EQ(actual.Initials, expected.Initials);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(actual.When), std::bit_cast<std::uint64_t>(expected.When));
}

TEST(CourseColumnsTable, NewRecordsPackToZeroBytes) {
  const Records fresh{};
  const TableColumns c = packTable(fresh);
  EXPECT_EQ(c.burn, QByteArray(29, '\0'));
  EXPECT_EQ(c.response, QByteArray(29, '\0'));
  EXPECT_EQ(c.Temperature, QByteArray(116, '\0'));
  EXPECT_EQ(c.Dose, QByteArray(116, '\0'));
  EXPECT_EQ(c.WhenDate, QByteArray(116, '\0'));
  EXPECT_EQ(c.TxTime, QByteArray(29, '\0'));  // 29 empty short strings
  EXPECT_EQ(c.Initials, QByteArray(29, '\0'));

  const Records back = unpackTable(c);
  for (int k = 0; k < kTreatments; ++k) {
    SCOPED_TRACE(k + 1);
    expectSameRecord(back[k], TreatmentRecord{});
  }
}

TEST(CourseColumnsTable, FourthRecordSitsAtItsOwnEntries) {
  Records records{};
  // Rows 1..3 with times and initials of different lengths, so the fourth short strings do not
  // start at a fixed offset.
  records[0].time = "";
  records[0].Initials = "J";
  records[1].time = "1:05";
  records[1].Initials = "";
  records[2].time = "10:00";
  records[2].Initials = "XYZ";
  TreatmentRecord& fourth = records[3];
  fourth.response = Same;
  fourth.burn = BurnII;
  fourth.Dose = 250;
  fourth.Temperature = 36.5f;
  fourth.time = "12:30";
  fourth.Initials = "AB";
  fourth.When = 45000;

  const TableColumns c = packTable(records);
  // Byte 4 counted from 1 is index 3; bytes 13..16 are indexes 12..15.
  EXPECT_EQ(c.burn[3], 6);
  EXPECT_EQ(c.response[3], 3);
  EXPECT_EQ(c.burn.count('\0'), 28);
  EXPECT_EQ(c.response.count('\0'), 28);
  EXPECT_EQ(c.Dose.mid(12, 4), floatBytes(250));
  EXPECT_EQ(c.Temperature.mid(12, 4), floatBytes(36.5f));
  EXPECT_EQ(c.Dose.left(12), QByteArray(12, '\0'));
  EXPECT_EQ(c.Dose.mid(16), QByteArray(100, '\0'));
  EXPECT_EQ(c.Temperature.mid(16), QByteArray(100, '\0'));

  const auto times = shortStrings(c.TxTime);
  const auto initials = shortStrings(c.Initials);
  ASSERT_EQ(times.size(), 29u);
  ASSERT_EQ(initials.size(), 29u);
  EXPECT_EQ(times[2], "10:00");
  EXPECT_EQ(times[3], "12:30");
  EXPECT_EQ(initials[2], "XYZ");
  EXPECT_EQ(initials[3], "AB");

  const Records back = unpackTable(c);
  for (int k = 0; k < kTreatments; ++k) {
    SCOPED_TRACE(k + 1);
    expectSameRecord(back[k], records[k]);
  }
}

TEST(CourseColumnsTable, DatesKeepTheWholeDay) {
  struct Case {
    const char* what;
    double when;
  };
  const Case cases[] = {
      {"1899-12-30 itself", 0.0},
      {"1899-12-30 18:00", 0.75},
      {"the day before, 06:00 (negative date)", -1.25},
      {"0001-01-01 12:00", -693593.5},
      {"a recent afternoon", 45000.0 + (14 * 3600 + 37 * 60 + 12) / 86400.0},
      {"just before midnight", 45123.0 + 86399.0 / 86400.0},
      {"the last day of the year 7641, late", 2097151.0 + 0.99},
  };
  Records records{};
  for (std::size_t i = 0; i < std::size(cases); ++i) records[i].When = cases[i].when;
  const TableColumns c = packTable(records);
  const Records back = unpackTable(c);

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const double saved = cases[i].when;
    const double loaded = back[i].When;
    const auto savedBits = std::bit_cast<std::uint64_t>(saved);
    // Stored: bytes 4..7 of the little-endian date; read back: that half with a zero low half.
    EXPECT_EQ(c.WhenDate.mid(static_cast<qsizetype>(4 * i), 4), fourBytes(static_cast<std::uint32_t>(savedBits >> 32)));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(loaded), savedBits & 0xFFFFFFFF00000000ULL);
    EXPECT_EQ(std::trunc(loaded), std::trunc(saved));
    EXPECT_EQ(datetime::toQDateTime(loaded).date(), datetime::toQDateTime(saved).date());
  }
  // An ordinary time of day does not survive: only the day carries meaning.
  EXPECT_NE(back[4].When, cases[4].when);
  EXPECT_NE(datetime::toQDateTime(back[4].When).time(), datetime::toQDateTime(cases[4].when).time());
}

TEST(CourseColumnsTable, FullCourseOfTextsFitsItsColumnsAndReadsBackUnchanged) {
  Records records{};
  for (int k = 0; k < kTreatments; ++k) {
    records[k].response = static_cast<std::int8_t>(1 + k % 4);
    records[k].burn = static_cast<std::int8_t>(k % 3 == 0 ? 0 : 4 + k % 4);
    records[k].time = QStringLiteral("%1:%2").arg(10 + k).arg(59 - k, 2, 10, QLatin1Char('0')).toStdString();
    records[k].Initials = std::string(3, static_cast<char>('A' + k % 26));
    records[k].Dose = 100.0f + 7.5f * k;
    records[k].Temperature = -40.0f + k;
    records[k].When = 45000 + k;
  }
  const TableColumns c = packTable(records);
  EXPECT_EQ(c.TxTime.size(), 174);  // more than the 150 the column is declared with
  EXPECT_EQ(c.Initials.size(), 116);

  // Every column passes through its field buffer whole, TxTime included.
  // clang-format off
  const std::pair<const VarBytesColumn&, const QByteArray&> columns[] = {
      {kBurnColumn, c.burn},       {kConditionColumn, c.response}, {kTemperatureColumn, c.Temperature},
      {kDoseColumn, c.Dose},       {kWhenDateColumn, c.WhenDate},   {kTxTimeColumn, c.TxTime},
      {kInitialsColumn, c.Initials},
  };
  // clang-format on
  TableColumns stored;
  QByteArray* storedFields[] = {&stored.burn,     &stored.response, &stored.Temperature, &stored.Dose,
                                &stored.WhenDate, &stored.TxTime,   &stored.Initials};
  for (std::size_t i = 0; i < std::size(columns); ++i) {
    SCOPED_TRACE(columns[i].first.name);
    const QByteArray buffer = toFieldBuffer(columns[i].first, columns[i].second);
    EXPECT_EQ(buffer.size(), columns[i].first.bufferSize());
    *storedFields[i] = fromFieldBuffer(buffer);
    EXPECT_EQ(*storedFields[i], columns[i].second);
  }
  const VarBytesColumn* txTime = findVarBytesColumn(u"TxTime");
  ASSERT_NE(txTime, nullptr);
  EXPECT_EQ(txTime->declaredSize, 150);
  EXPECT_EQ(txTime->capacity, 174);
  EXPECT_EQ(txTime->bufferSize(), 176);
  EXPECT_EQ(findVarBytesColumn(u"txtime"), nullptr);

  const Records back = unpackTable(stored);
  for (int k = 0; k < kTreatments; ++k) {
    SCOPED_TRACE(k + 1);
    expectSameRecord(back[k], records[k]);
  }
}

TEST(CourseColumnsTable, OverlongTextsAreCutToTheirShortStrings) {
  Records records{};
  records[0].time = "12:345678";
  records[0].Initials = "ABCDE";
  records[1].time = "01:00";
  const TableColumns c = packTable(records);
  EXPECT_EQ(shortStrings(c.TxTime)[0], "12:34");
  EXPECT_EQ(shortStrings(c.Initials)[0], "ABC");
  const Records back = unpackTable(c);
  EXPECT_EQ(back[0].time, "12:34");
  EXPECT_EQ(back[0].Initials, "ABC");
  EXPECT_EQ(back[1].time, "01:00");  // the next entry is not disturbed
}

TEST(CourseColumnsTable, RecordTextIsLatin1) {
  EXPECT_EQ(toRecordText(u"AB"), "AB");
  EXPECT_EQ(toRecordText(u"J\u00e9"), "J\xe9");
  EXPECT_EQ(toRecordText(u"\u20acZ"), "?Z");  // the euro sign is not Latin-1
  EXPECT_EQ(fromRecordText("J\xe9"), QStringLiteral(u"J\u00e9"));
}

// Stored values that are shorter than their full length, or damaged.
struct ShortCase {
  const char* what;
  TableColumns columns;
  // What the first rows read as; all rows after them must be new records.
  std::vector<TreatmentRecord> expectedFirst;
};

TreatmentRecord rec(std::int8_t burn, std::int8_t condition, float temperature, float dose, std::string time,
                    std::string initials) {
  TreatmentRecord r;
  r.burn = burn;
  r.response = condition;
  r.Temperature = temperature;
  r.Dose = dose;
  r.time = std::move(time);
  r.Initials = std::move(initials);
  return r;
}

std::vector<ShortCase> shortCases() {
  std::vector<ShortCase> cases;
  cases.push_back({"every column empty", {}, {}});

  TableColumns fewEntries;
  fewEntries.burn = QByteArray("\x05\x00\x07", 3);
  fewEntries.response = QByteArray("\x01\x02", 2);
  fewEntries.Temperature = floatBytes(36.5f) + QByteArray("\x01\x02", 2);  // 1.5 entries
  fewEntries.Dose = floatBytes(100) + floatBytes(110) + QByteArray(1, '\x7f');
  fewEntries.WhenDate = QByteArray(3, '\x40');  // not even one entry
  fewEntries.TxTime = QByteArray(
      "\x05"
      "01:00"
      "\x04"
      "2:00",
      11);
  fewEntries.Initials = QByteArray(
      "\x02"
      "AB",
      3);
  cases.push_back({"fewer than 29 entries in every column",
                   fewEntries,
                   {rec(5, 1, 36.5f, 100, "01:00", "AB"), rec(0, 2, 0, 110, "2:00", ""), rec(7, 0, 0, 0, "", "")}});

  TableColumns pastTheEnd;
  pastTheEnd.TxTime = QByteArray(
      "\x02"
      "ab"
      "\x05"
      "12:3",
      8);  // the second length runs past the end
  pastTheEnd.Initials = QByteArray(
      "\xff"
      "XYZ",
      4);  // 255 promised, 3 there
  cases.push_back({"a length byte running past the end", pastTheEnd, {rec(0, 0, 0, 0, "ab", "")}});

  TableColumns longEntries;
  longEntries.TxTime = QByteArray(
      "\x07"
      "1234567"
      "\x02"
      "ab",
      11);  // written by something else
  longEntries.Initials = QByteArray(
      "\x04"
      "ABCD"
      "\x01"
      "Z",
      7);
  cases.push_back({"entries longer than a record holds",
                   longEntries,
                   {rec(0, 0, 0, 0, "12345", "ABC"), rec(0, 0, 0, 0, "ab", "Z")}});

  TableColumns longer;
  longer.burn = QByteArray(32, '\x06');  // the column's declared size: only 29 entries are read
  longer.response = QByteArray(30, '\x03');
  cases.push_back({"more bytes than 29 entries", longer, {}});
  return cases;
}

TEST(CourseColumnsTable, ShortAndDamagedColumnsReadAsZeroOrEmpty) {
  for (const ShortCase& sc : shortCases()) {
    SCOPED_TRACE(sc.what);
    // Each column in a block of exactly its size, so that a read past it is caught.
    const ExactBytes burn(sc.columns.burn), condition(sc.columns.response), temperature(sc.columns.Temperature),
        dose(sc.columns.Dose), when(sc.columns.WhenDate), time(sc.columns.TxTime), initials(sc.columns.Initials);
    const TableColumns exact{burn.view(), condition.view(), temperature.view(), dose.view(),
                             when.view(), time.view(),      initials.view()};
    const Records back = unpackTable(exact);
    if (sc.columns.burn.size() > kTreatments) {
      for (const TreatmentRecord& r : back) {
        EXPECT_EQ(r.burn, 6);
        EXPECT_EQ(r.response, 3);
      }
      continue;
    }
    for (std::size_t k = 0; k < back.size(); ++k) {
      SCOPED_TRACE(k + 1);
      expectSameRecord(back[k], k < sc.expectedFirst.size() ? sc.expectedFirst[k] : TreatmentRecord{});
    }
  }
}

TEST(CourseColumnsFieldBuffer, LengthAndBytesWithinTheBuffer) {
  const QByteArray spots("\x01\x02\x03\x04\x05", 5);
  const QByteArray buffer = toFieldBuffer(kSpotsColumn, spots);
  ASSERT_EQ(buffer.size(), 162);
  EXPECT_EQ(buffer.left(7), QByteArray("\x05\x00\x01\x02\x03\x04\x05", 7));
  EXPECT_EQ(buffer.mid(7), QByteArray(155, '\0'));

  struct Case {
    const char* what;
    QByteArray buffer;
    int maxLength;
    QByteArray expected;
  };
  // clang-format off
  const Case cases[] = {
      {"whole value", buffer, -1, spots},
      {"first bytes only", buffer, 3, spots.left(3)},
      {"limit above the stored length", buffer, 100, spots},
      {"stored length beyond the buffer", QByteArray("\xf4\x01" "abc", 5), -1, "abc"},
      {"only a length", QByteArray("\x05\x00", 2), -1, {}},
      {"half a length", QByteArray("\x05", 1), -1, {}},
      {"nothing", {}, -1, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ExactBytes exact(c.buffer);
    EXPECT_EQ(fromFieldBuffer(exact.view(), c.maxLength), c.expected);
  }
}

TEST(CourseColumnsFieldBuffer, ValueLongerThanTheColumnIsRefused) {
  EXPECT_NO_THROW(toFieldBuffer(kBurnColumn, QByteArray(32, 'x')));
  EXPECT_THROW(toFieldBuffer(kBurnColumn, QByteArray(33, 'x')), std::length_error);
  EXPECT_NO_THROW(toFieldBuffer(kTxTimeColumn, QByteArray(174, 'x')));
  try {
    toFieldBuffer(kTxTimeColumn, QByteArray(175, 'x'));
    ADD_FAILURE() << "175 bytes were accepted into TxTime";
  } catch (const std::length_error& e) {
    EXPECT_NE(std::string(e.what()).find("TxTime"), std::string::npos) << e.what();
  }
}

TEST(CourseColumnsIncrements, CellsStoreAndLoadBack) {
  struct Case {
    QString cell;
    std::int16_t stored;
    QString loaded;
  };
  // clang-format off
  const Case cases[] = {
      {"10", 10, "10"},
      {"", kEmptyIncrement, ""},
      {"abc", kEmptyIncrement, ""},
      {"32766", 32766, "32766"},
      {"32767", kEmptyIncrement, ""},  // 32767 itself is stored as empty
      {"-5", -5, "-5"},
      {"  7", 7, "7"},                 // leading blanks and a plus sign are accepted
      {"+8", 8, "8"},
      {"0", 0, "0"},
      {"5 ", kEmptyIncrement, ""},     // nothing may follow the digits
      {"1.5", kEmptyIncrement, ""},
      {"99999999999", kEmptyIncrement, ""},
      {"-32767", -32767, "-32767"},
      {"-32768", kEmptyIncrement, ""},  // the mark itself
      {"-32769", kEmptyIncrement, ""},  // does not fit 16 bits
      {"-100000", kEmptyIncrement, ""},
  };
  // clang-format on
  static_assert(std::size(cases) <= kTreatments);

  IncrementTexts cells;
  for (std::size_t i = 0; i < std::size(cases); ++i) cells[i] = cases[i].cell;
  cells[kTreatments - 1] = QStringLiteral("15");  // the last row is written too

  const QByteArray bytes = packIncrements(cells);
  ASSERT_EQ(bytes.size(), 58);
  const IncrementTexts back = unpackIncrements(bytes);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].cell.toStdString());
    EXPECT_EQ(incrementEntry(cases[i].cell), cases[i].stored);
    const auto lo = static_cast<unsigned char>(bytes[static_cast<qsizetype>(2 * i)]);
    const auto hi = static_cast<unsigned char>(bytes[static_cast<qsizetype>(2 * i + 1)]);
    EXPECT_EQ(static_cast<std::int16_t>(lo | (hi << 8)), cases[i].stored);
    EXPECT_EQ(back[i], cases[i].loaded);
  }
  for (std::size_t i = std::size(cases); i + 1 < kTreatments; ++i) EXPECT_EQ(back[i], QString());
  EXPECT_EQ(back[kTreatments - 1], "15");
}

TEST(CourseColumnsIncrements, ShortOrLongStoredValues) {
  QByteArray full;
  for (int k = 1; k <= 30; ++k) full.append(static_cast<char>(k)).append('\0');  // 60 bytes: 1..30
  struct Case {
    const char* what;
    QByteArray bytes;
    int rowsRead;
  };
  const Case cases[] = {
      {"nothing", {}, 0},
      {"one byte", full.left(1), 0},
      {"three bytes", full.left(3), 1},
      {"57 bytes", full.left(57), 28},
      {"58 bytes", full.left(58), 29},
      {"60 bytes", full, 29},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ExactBytes exact(c.bytes);
    const IncrementTexts back = unpackIncrements(exact.view());
    for (int k = 0; k < kTreatments; ++k) {
      EXPECT_EQ(back[k], k < c.rowsRead ? QString::number(k + 1) : QString()) << "row " << k + 1;
    }
  }
}

}  // namespace
