#pragma once
// The patient search as a server answers it: one statement for the NHI prefix, the surname part and
// the status mask together, served by indexes, listing exactly the patients the list's own search
// lists (records/PatientFilter.h): the same letter-case folding, the typed texts matched as they
// are (a quote, %, _, * or [ stands for itself), a patient whose status was never computed kept.
//
// The folding is the program's own, put into the database as the function halcyra_fold (a
// character-for-character translation made from the program's folding table), so that the server
// and the program agree on every character; the indexes are on the folded NHI (prefix searches,
// SP-GiST), on the folded surname (trigrams, pg_trgm's GIN operator class) and on the status.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <cstdint>

namespace records {

class Connection;
class PostgresBackend;

// The statements that put the folding function, the trigram extension and the indexes into a
// server database; each may run again (IF NOT EXISTS, OR REPLACE). `schema` is the tables' schema;
// `role`, the clinic's, may call the folding function (and no other of the store's).
QStringList serverSearchStatements(const QString& schema, const QString& role);

// Adds them to a database made by an earlier version, when the login owns its tables and the
// server has pg_trgm; otherwise leaves it as it is (the list then searches its own rows). Building
// the indexes over a large list takes a while, once.
void upgradeServerSearch(PostgresBackend& server);

// What init-db says when the server lacks the trigram extension (PostgreSQL's contrib package).
QString trigramAdvice();

// Whether the store's server database has the folding function (its owner has connected since
// this version, or made it with init-db): only then does it answer searches itself.
bool serverAnswersSearches(Connection& connection);

// Whether the server can be asked for these typed texts: a text holding half of a character (a
// lone surrogate, never typed, only cut out of a longer text) cannot be sent as text; it is
// searched in the list's own rows.
bool serverCanSearch(const QString& hosp, const QString& surname);

struct SearchStatement {
  QString sql;
  QVariantList values;
};
// The statement that lists the insertion order and the NHI of each patient the search finds, in
// the list's order.
SearchStatement patientSearchStatement(const QString& hosp, const QString& surname, std::uint8_t mask);

}  // namespace records
