// Two workstations writing one course: a window's changed treatments and increments merged into
// what the store holds at that moment, never overwriting a treatment stored meanwhile.

#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "treatment/CourseMerge.h"

using namespace treatment;

namespace {

TreatmentRecord recorded(std::int8_t condition, float dose, double when = 45000) {
  TreatmentRecord r;
  r.response = condition;
  r.Dose = dose;
  r.Temperature = 36.5f;
  r.time = " 2:30";
  r.Initials = "AB";
  r.When = when;
  return r;
}

// Rows 1..29 by what each holds: '.' not recorded, a letter a treatment of its own.
Records recordsOf(const std::string& rows) {
  Records out{};
  for (std::size_t k = 0; k < rows.size() && k < out.size(); ++k) {
    if (rows[k] != '.') out[k] = recorded(Same, static_cast<float>(rows[k]));
  }
  return out;
}

std::string rowsOf(const Records& records) {
  std::string out;
  for (const TreatmentRecord& r : records) {
    if (!r.recorded())
      out += '.';
    else
      out += static_cast<char>(r.Dose);
  }
  while (!out.empty() && out.back() == '.') out.pop_back();
  return out;
}

TEST(CourseMerge, SameRecordComparesWhatTheStoreKeeps) {
  TreatmentRecord a = recorded(Clearing, 120, 45000.25);
  TreatmentRecord b = a;
  b.When = 45000.27;  // a moment later: the store keeps When to about three quarters of an hour
  EXPECT_TRUE(sameRecord(a, b));
  b.Dose = 121;
  EXPECT_FALSE(sameRecord(a, b));
  // Rows not recorded hold nothing that counts, whatever their other fields say.
  TreatmentRecord blank1, blank2;
  blank2.Dose = 99;
  EXPECT_TRUE(sameRecord(blank1, blank2));
  EXPECT_FALSE(sameRecord(blank1, a));
}

TEST(CourseMerge, TreatmentsOfBothWorkstationsAreKeptAndNoneIsOverwrittenUnseen) {
  struct Case {
    const char* name;
    std::optional<std::string> stored;  // as stored now
    std::string read, mine;             // as this window read it, and holds it now
    std::string merged;
    std::vector<int> kept;
  };
  const Case cases[] = {
      {"alone: what the window holds is stored", "AB", "AB", "ABC", "ABC", {}},
      {"nothing stored yet: the window's records", std::nullopt, "", "A", "A", {}},
      {"another row recorded elsewhere stays", "AB.D", "AB", "ABC", "ABCD", {}},
      {"a row cleared elsewhere stays cleared", ".B", "AB", "ABC", ".BC", {}},
      {"a row cleared here is cleared", "ABD", "AB", ".B", ".BD", {}},
      {"the same row recorded differently there: the stored one stays", "ABX", "AB", "ABC", "ABX", {3}},
      {"the same row recorded alike: no conflict", "ABC", "AB", "ABC", "ABC", {}},
      {"a row recorded there and cleared here: the stored one stays", "AX", "AB", "A", "AX", {2}},
      {"nothing changed here (Undo): what is stored now", "ABCD", "AB", "AB", "ABCD", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Records> stored = c.stored ? std::optional(recordsOf(*c.stored)) : std::nullopt;
    const RecordsMerge merge = mergeRecords(stored, recordsOf(c.read), recordsOf(c.mine));
    EXPECT_EQ(rowsOf(merge.records), c.merged);
    EXPECT_EQ(merge.kept, c.kept);
  }
}

TEST(CourseMerge, IncrementsChangedHereAreStoredOverWhatIsStoredAndTheRestFollowsTheStore) {
  IncrementTexts read;
  read.fill(QStringLiteral("10"));
  IncrementTexts stored = read;
  stored[4] = QStringLiteral("15");  // changed elsewhere
  stored[7] = QStringLiteral("5");   // changed elsewhere, and here too
  IncrementTexts mine = read;
  mine[1] = QStringLiteral("20");
  mine[7] = QStringLiteral("0");
  mine[9] = QStringLiteral(" 010");  // a new text for the same entry: unchanged, and kept as typed

  const IncrementTexts merged = mergeIncrements(stored, read, mine);
  EXPECT_EQ(merged[1], "20");
  EXPECT_EQ(merged[4], "15");
  EXPECT_EQ(merged[7], "0");  // the later change counts
  EXPECT_EQ(merged[9], " 010");
  EXPECT_EQ(merged[0], "10");

  // Never stored: the cells as they stand.
  EXPECT_EQ(mergeIncrements(std::nullopt, read, mine), mine);
}

}  // namespace
