#pragma once
// The few places where the SQL of the store depends on the database engine. Everything else is
// written so that SQLite and PostgreSQL both accept it: identifiers in double quotes, VARCHAR(n),
// INTEGER, SMALLINT, DOUBLE PRECISION, BOOLEAN with FALSE, TEXT, named UNIQUE constraints.

namespace records {

struct Dialect {
  const char* name;
  bool server;  // a database server reached over a connection, rather than a file
  // Type of the var-bytes and picture columns.
  const char* bytesType;
  // Column definition of the auto-increment key (ImageID), type and constraint together.
  const char* autoIncrementKey;
  // Expression that lists patients in the order they were added; the patient table has no sort
  // order of its own.
  const char* insertionOrder;
  // Definition of a column that keeps that order where the engine keeps none of its own; it is
  // not one of the patient columns the program reads and writes. Empty when not needed.
  const char* insertionOrderColumn;
  // Starts a transaction that will write.
  const char* beginWrite;
  // Added to a SELECT of rows that the transaction will write back, so that no other copy can
  // change them in between. SQLite needs none: its write transaction already keeps every other
  // writer out.
  const char* lockRows;
  // Expression of the mark to remember with a read of the patient list, and the query of the
  // patients changed since such a mark (its ? marks all take the mark): the changes that read did
  // not show.
  const char* journalMark;
  const char* journalSince;
  // Expression of the store's clock in UTC as text, "2024-03-14T09:12:33.123Z": when an audit
  // entry was written. On a server it is the server's clock, the one clock of the department.
  const char* utcClock;
};

const Dialect& sqliteDialect();
const Dialect& postgresDialect();

}  // namespace records
