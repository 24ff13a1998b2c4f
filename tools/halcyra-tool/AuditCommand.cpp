// halcyra-tool audit: a patient's entries in the audit trail.
//
//   audit DIR NHI
//
// One line per entry, oldest first:
//   WHEN<TAB>ACCOUNT<TAB>WORKSTATION<TAB>PROGRAM<TAB>TABLE<TAB>KEY<TAB>CHANGES<TAB>LOGIN<TAB>CLIENT
// WHEN is the store's clock in UTC ("2024-03-14T09:12:33.123Z"); KEY names the row
// ("Hosp=ABC1234, CourseID=2, ImageID=17"); CHANGES starts with "added", "changed" or "deleted",
// then the columns separated by "; ", each "Name: old -> new" (a change) or "Name: value" (a row
// added or deleted); text values stand in double quotes, byte columns as "N bytes". Tabs, line
// breaks and other control characters inside a field are written as backslash escapes, so every
// entry stays on one line. LOGIN and CLIENT are the database login and the address it connected
// from ("local" for a socket), which a server records itself; empty in a store file.
//
// The NHI is matched exactly, or else with letter case ignored. Exit status 0 on success (also for
// a patient without entries, stored by an earlier version), 1 when the database cannot be opened or
// neither a patient nor an entry has the NHI, 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"

namespace {

constexpr const char* kUsage = "audit DIR NHI";

// The NHI as the store spells it, for an NHI typed in another letter case; empty when no patient
// has it.
QString storedNhi(records::Connection& store, const QString& nhi) {
  const records::Rows rows = store.query(QStringLiteral("SELECT \"Hosp\" FROM \"Patient\" WHERE \"Hosp\" = ? OR "
                                                        "lower(\"Hosp\") = lower(?) ORDER BY \"Hosp\" = ? DESC"),
                                         {nhi, nhi, nhi}, QStringLiteral("look up patient %1").arg(nhi));
  return rows.empty() ? QString() : rows.front().front().toString();
}

int run(const CommandArgs& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString nhi = QString::fromLocal8Bit(args[1].c_str());
  try {
    records::Connection store;
    const QString dir = QString::fromLocal8Bit(args[0].c_str());
    warnAboutConnection(dir, "audit");
    records::openStore(store, dir, terminalPasswordPrompt());
    std::vector<records::AuditEntry> entries = records::patientAudit(store, nhi);
    if (entries.empty()) {
      const QString stored = storedNhi(store, nhi);
      if (stored.isEmpty()) {
        std::fprintf(stderr, "halcyra-tool audit: no patient has the NHI \"%s\"\n", args[1].c_str());
        return 1;
      }
      if (stored != nhi) entries = records::patientAudit(store, stored);
    }
    QByteArray out;
    for (const records::AuditEntry& e : entries) out += e.line().toUtf8() + '\n';
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const records::DataError& e) {
    tool::error("audit", e.message());
    return 1;
  }
}

const RegisterCommand reg{"audit", kUsage, &run};

}  // namespace
