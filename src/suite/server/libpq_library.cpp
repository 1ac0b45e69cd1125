#include "suite/server/libpq_library.h"

#include <type_traits>

#include "platform/shared_library.h"

namespace qmz::suite {

namespace {

const LibpqFunctions* Load() {
  void* library = LoadSharedLibrary("pq", 5);
  if (library == nullptr) return nullptr;
  static LibpqFunctions functions;
  bool found = true;
  const auto bind = [&](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        SharedLibraryFunction(library, name));
    found = found && function != nullptr;
  };
  bind(functions.PQconnectdb, "PQconnectdb");
  bind(functions.PQstatus, "PQstatus");
  bind(functions.PQfinish, "PQfinish");
  bind(functions.PQsocket, "PQsocket");
  bind(functions.PQsslInUse, "PQsslInUse");
  bind(functions.PQerrorMessage, "PQerrorMessage");
  bind(functions.PQsendQuery, "PQsendQuery");
  bind(functions.PQsendPrepare, "PQsendPrepare");
  bind(functions.PQsendDescribePrepared, "PQsendDescribePrepared");
  bind(functions.PQsendQueryPrepared, "PQsendQueryPrepared");
  bind(functions.PQisBusy, "PQisBusy");
  bind(functions.PQconsumeInput, "PQconsumeInput");
  bind(functions.PQgetResult, "PQgetResult");
  bind(functions.PQresultStatus, "PQresultStatus");
  bind(functions.PQresultErrorField, "PQresultErrorField");
  bind(functions.PQresultErrorMessage, "PQresultErrorMessage");
  bind(functions.PQntuples, "PQntuples");
  bind(functions.PQnfields, "PQnfields");
  bind(functions.PQfname, "PQfname");
  bind(functions.PQftype, "PQftype");
  bind(functions.PQftable, "PQftable");
  bind(functions.PQgetvalue, "PQgetvalue");
  bind(functions.PQgetlength, "PQgetlength");
  bind(functions.PQgetisnull, "PQgetisnull");
  bind(functions.PQclear, "PQclear");
  return found ? &functions : nullptr;
}

}  // namespace

const LibpqFunctions* Libpq() {
  static const LibpqFunctions* const loaded = Load();
  return loaded;
}

}  // namespace qmz::suite
