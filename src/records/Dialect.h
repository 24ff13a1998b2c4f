#pragma once
// The few places where the SQL of the store depends on the database engine. Everything else is
// written so that SQLite and PostgreSQL both accept it: identifiers in double quotes, VARCHAR(n),
// INTEGER, SMALLINT, DOUBLE PRECISION, BOOLEAN with FALSE, TEXT, named UNIQUE constraints.

namespace records {

struct Dialect {
  const char* name;
  // Type of the var-bytes and picture columns.
  const char* bytesType;
  // Column definition of the auto-increment key (ImageID), type and constraint together.
  const char* autoIncrementKey;
  // ORDER BY expression that lists patients in the order they were added; the patient table has
  // no sort order of its own.
  const char* insertionOrder;
  // A statement whose single value changes whenever another connection has committed a change
  // to the file; empty when the engine has none (every re-read then reads the table anew).
  const char* changeCounter;
};

const Dialect& sqliteDialect();
const Dialect& postgresDialect();

}  // namespace records
