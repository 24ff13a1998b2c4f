#include "records/AuditChain.h"

#include <QCryptographicHash>

#include "base/OneLine.h"
#include "records/AuditTrail.h"

namespace records {
namespace {

// Entries read at once while the whole trail is verified.
constexpr int kPage = 1000;
// Entries named one by one; any further ones are counted.
constexpr int kMostNamed = 20;
// The columns hashed: every one before Hash.
constexpr std::size_t kHashed = 13;
constexpr std::size_t kHashColumn = 13;

const ColumnDef kWhole{QStringLiteral("whole"), ColumnKind::Integer};
const ColumnDef kText{QStringLiteral("text"), ColumnKind::Memo};

QString entryName(const std::vector<QVariant>& row) {
  QStringList key;
  if (!row[6].isNull()) key << QStringLiteral("Hosp=") + text::oneLine(row[6].toString());
  if (!row[7].isNull()) key << QStringLiteral("CourseID=%1").arg(row[7].toLongLong());
  if (!row[8].isNull()) key << QStringLiteral("ImageID=%1").arg(row[8].toLongLong());
  return QStringLiteral("audit entry %1 (%2, %3 %4, %5)")
      .arg(row[0].toLongLong())
      .arg(text::oneLine(row[1].toString()), text::oneLine(row[5].toString()), key.join(QStringLiteral(", ")),
           text::oneLine(row[9].toString()));
}

}  // namespace

QString auditHash(const QString& previous, const std::vector<QVariant>& entry) {
  const TableDef& t = auditTable();
  QByteArray text = previous.toUtf8();
  text += '\n';
  for (std::size_t c = 0; c < kHashed && c < entry.size(); ++c) {
    const QVariant& v = entry[c];
    if (v.isNull()) {
      text += "N\n";
      continue;
    }
    const ColumnKind kind = t.columns[c].kind;
    const QByteArray value = kind == ColumnKind::Integer || kind == ColumnKind::AutoIncrement
                                 ? QByteArray::number(v.toLongLong())
                                 : v.toString().toUtf8();
    text += 'V';
    text += QByteArray::number(value.size());
    text += ':';
    text += value;
    text += '\n';
  }
  return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
}

AuditColumns auditColumns() {
  AuditColumns audit;
  QStringList names;
  for (const ColumnDef& c : auditTable().columns) {
    audit.columns.push_back(&c);
    names << quoted(c.name);
  }
  audit.select = QStringLiteral("SELECT %1 FROM \"Audit\"").arg(names.join(QStringLiteral(", ")));
  return audit;
}

QStringList verifyAuditChain(const TrailReader& read, std::optional<int> newest,
                             const std::function<void(qint64, qint64)>& progress) {
  const auto [columns, select] = auditColumns();
  QStringList problems;
  qint64 unnamed = 0;
  const auto report = [&](const QString& line) {
    if (problems.size() < kMostNamed) {
      problems << line;
    } else {
      ++unnamed;
    }
  };

  const Rows head = read(QStringLiteral("SELECT \"AuditID\", \"Hash\" FROM \"AuditHead\""), {}, {&kWhole, &kText});
  if (head.size() != 1) {
    problems
        << QStringLiteral("audit trail: its head (the table AuditHead) holds %1 rows instead of one").arg(head.size());
  }

  // Where to start: the first entry, or after the entry that comes before the newest ones.
  std::optional<qint64> after;
  QString previous;
  qint64 total = 0;
  if (newest) {
    const Rows start =
        read(QStringLiteral("SELECT \"AuditID\", \"Hash\" FROM \"Audit\" ORDER BY \"AuditID\" DESC LIMIT 1 OFFSET ?"),
             {*newest}, {&kWhole, &kText});
    if (!start.empty()) {
      after = start.front()[0].toLongLong();
      previous = start.front()[1].toString();
    }
    total = *newest;
  } else if (progress) {
    const Rows count = read(QStringLiteral("SELECT COUNT(*) FROM \"Audit\""), {}, {&kWhole});
    total = count.empty() ? 0 : count.front().front().toLongLong();
  }
  const QString order = QStringLiteral(" ORDER BY \"AuditID\" LIMIT %1").arg(kPage);
  std::optional<qint64> last;
  qint64 done = 0;
  for (;;) {
    const Rows rows = after ? read(select + QStringLiteral(" WHERE \"AuditID\" > ?") + order, {*after}, columns)
                            : read(select + order, {}, columns);
    for (const auto& row : rows) {
      const QString expected = auditHash(previous, row);
      const QVariant& stored = row[kHashColumn];
      if (stored.isNull()) {
        report(entryName(row) + QStringLiteral(": has no hash; it was put in by something other than the program"));
      } else if (stored.toString() != expected) {
        report(entryName(row) + QStringLiteral(": does not fit the chain of the trail: it was changed, or an entry "
                                               "before it was removed or put in"));
      }
      // The next entry is measured against what is stored, so that one changed entry is one line.
      previous = stored.isNull() ? expected : stored.toString();
      last = row[0].toLongLong();
    }
    done += static_cast<qint64>(rows.size());
    if (progress) progress(done, total);
    if (static_cast<int>(rows.size()) < kPage) break;
    after = last;
  }
  if (unnamed > 0) problems << QStringLiteral("audit trail: %1 more entries do not fit the chain").arg(unnamed);

  if (head.size() == 1) {
    const qint64 headId = head.front()[0].toLongLong();
    const QString headHash = head.front()[1].toString();
    const qint64 newestId = last.value_or(after.value_or(0));
    if (!last && !after) {
      if (headId != 0) {
        problems << QStringLiteral(
                        "audit trail: its head names entry %1, but the trail holds no entries: they were "
                        "removed")
                        .arg(headId);
      }
    } else if (headId > newestId) {
      problems << QStringLiteral(
                      "audit trail: its head names entry %1, but the newest entry is %2: the entries after it "
                      "were removed")
                      .arg(headId)
                      .arg(newestId);
    } else if (headId < newestId) {
      problems << QStringLiteral(
                      "audit trail: the newest entry is %1, but its head names entry %2: entries were added "
                      "past the trail's triggers")
                      .arg(newestId)
                      .arg(headId);
    } else if (last && headHash != previous) {
      problems << QStringLiteral("audit trail: its head does not hold the hash of the newest entry %1").arg(newestId);
    }
  }
  return problems;
}

QStringList verifyAuditChainAtOnce(bool server, const std::function<void(const QString& sql)>& run,
                                   const TrailReader& read, std::optional<int> newest,
                                   const std::function<void(qint64, qint64)>& progress) {
  run(QString::fromLatin1(server ? "BEGIN READ ONLY ISOLATION LEVEL REPEATABLE READ" : "BEGIN"));
  QStringList problems;
  try {
    problems = verifyAuditChain(read, newest, progress);
  } catch (...) {
    try {
      run(QStringLiteral("ROLLBACK"));
    } catch (...) {
      // A lost connection has nothing left to undo; what stopped the reading is what is said.
    }
    throw;
  }
  run(QStringLiteral("COMMIT"));
  return problems;
}

}  // namespace records
