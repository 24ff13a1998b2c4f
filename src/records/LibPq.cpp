#include "records/LibPq.h"

#include <dlfcn.h>

#include <QString>

#include "records/DataError.h"

namespace records {
namespace {

constexpr const char* kLibrary = "libpq.so.5";

struct Loaded {
  LibPq functions{};
  QString problem;  // empty when every function was found
};

template <class F>
void find(void* library, F& function, const char* name, QString& problem) {
  function = reinterpret_cast<F>(dlsym(library, name));
  if (!function && problem.isEmpty()) problem = QStringLiteral("it has no function %1").arg(QString::fromLatin1(name));
}

Loaded load() {
  Loaded loaded;
  // Kept loaded until the program ends: connections made through it may live as long.
  void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = dlerror();
    loaded.problem = why ? QString::fromLocal8Bit(why) : QStringLiteral("it was not found");
    return loaded;
  }
  LibPq& f = loaded.functions;
#define HALCYRA_FIND(name) find(library, f.name, #name, loaded.problem)
  HALCYRA_FIND(PQclear);
  HALCYRA_FIND(PQcmdTuples);
  HALCYRA_FIND(PQconnectdbParams);
  HALCYRA_FIND(PQconnectionNeedsPassword);
  HALCYRA_FIND(PQconnectionUsedPassword);
  HALCYRA_FIND(PQconninfoFree);
  HALCYRA_FIND(PQconninfoParse);
  HALCYRA_FIND(PQconsumeInput);
  HALCYRA_FIND(PQerrorMessage);
  HALCYRA_FIND(PQexec);
  HALCYRA_FIND(PQexecParams);
  HALCYRA_FIND(PQexecPrepared);
  HALCYRA_FIND(PQfinish);
  HALCYRA_FIND(PQflush);
  HALCYRA_FIND(PQfreemem);
  HALCYRA_FIND(PQftype);
  HALCYRA_FIND(PQgetResult);
  HALCYRA_FIND(PQgetisnull);
  HALCYRA_FIND(PQgetlength);
  HALCYRA_FIND(PQgetvalue);
  HALCYRA_FIND(PQisBusy);
  HALCYRA_FIND(PQnfields);
  HALCYRA_FIND(PQntuples);
  HALCYRA_FIND(PQprepare);
  HALCYRA_FIND(PQresultErrorField);
  HALCYRA_FIND(PQresultStatus);
  HALCYRA_FIND(PQsendPrepare);
  HALCYRA_FIND(PQsendQuery);
  HALCYRA_FIND(PQsendQueryParams);
  HALCYRA_FIND(PQsendQueryPrepared);
  HALCYRA_FIND(PQsetNoticeProcessor);
  HALCYRA_FIND(PQsetnonblocking);
  HALCYRA_FIND(PQsocket);
  HALCYRA_FIND(PQstatus);
  HALCYRA_FIND(PQtransactionStatus);
#undef HALCYRA_FIND
  return loaded;
}

}  // namespace

const LibPq& libpq() {
  static const Loaded loaded = load();  // once, whichever thread asks first
  if (!loaded.problem.isEmpty()) {
    throw DataError(
        QStringLiteral("The PostgreSQL client library %1 cannot be loaded (%2), so no database server can be "
                       "used. Install the package libpq5, or use a database folder.")
            .arg(QString::fromLatin1(kLibrary), loaded.problem));
  }
  return loaded.functions;
}

}  // namespace records
