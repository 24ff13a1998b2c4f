#pragma once
// The PostgreSQL client library, loaded when a server is first used rather than when the program
// starts: it brings a score of libraries of its own (TLS, Kerberos, LDAP) whose loading would
// delay every start, also on a workstation whose store is a file.
//
// Call the functions through libpq(): libpq().PQexec(connection, sql).

#include <libpq-fe.h>

namespace records {

struct LibPq {
  decltype(&::PQclear) PQclear;
  decltype(&::PQcmdTuples) PQcmdTuples;
  decltype(&::PQconnectdbParams) PQconnectdbParams;
  decltype(&::PQconnectionNeedsPassword) PQconnectionNeedsPassword;
  decltype(&::PQconnectionUsedPassword) PQconnectionUsedPassword;
  decltype(&::PQconninfoFree) PQconninfoFree;
  decltype(&::PQconninfoParse) PQconninfoParse;
  decltype(&::PQconsumeInput) PQconsumeInput;
  decltype(&::PQerrorMessage) PQerrorMessage;
  decltype(&::PQexec) PQexec;
  decltype(&::PQexecParams) PQexecParams;
  decltype(&::PQexecPrepared) PQexecPrepared;
  decltype(&::PQfinish) PQfinish;
  decltype(&::PQflush) PQflush;
  decltype(&::PQfreemem) PQfreemem;
  decltype(&::PQftype) PQftype;
  decltype(&::PQgetResult) PQgetResult;
  decltype(&::PQgetisnull) PQgetisnull;
  decltype(&::PQgetlength) PQgetlength;
  decltype(&::PQgetvalue) PQgetvalue;
  decltype(&::PQisBusy) PQisBusy;
  decltype(&::PQnfields) PQnfields;
  decltype(&::PQntuples) PQntuples;
  decltype(&::PQprepare) PQprepare;
  decltype(&::PQresultErrorField) PQresultErrorField;
  decltype(&::PQresultStatus) PQresultStatus;
  decltype(&::PQsendPrepare) PQsendPrepare;
  decltype(&::PQsendQuery) PQsendQuery;
  decltype(&::PQsendQueryParams) PQsendQueryParams;
  decltype(&::PQsendQueryPrepared) PQsendQueryPrepared;
  decltype(&::PQsetNoticeProcessor) PQsetNoticeProcessor;
  decltype(&::PQsetnonblocking) PQsetnonblocking;
  decltype(&::PQsocket) PQsocket;
  decltype(&::PQstatus) PQstatus;
  decltype(&::PQtransactionStatus) PQtransactionStatus;
};

// The library's functions, loaded on the first call (from any thread). Raises DataError naming
// the library and the package to install when it cannot be loaded.
const LibPq& libpq();

}  // namespace records
