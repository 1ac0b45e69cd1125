// libpq, loaded the first time a desk reads a lookup through it (suite/server/pq_lookups.h), so
// that a host that never reaches a server directly neither loads it nor the Kerberos, LDAP and SASL
// libraries it brings (4 to 6 ms of every start-up). Its functions keep their own names.
//
// Libpq() is null when libpq (libpq.so.5, on Windows libpq.dll) or one of its functions cannot be
// found: the driver then reads every lookup. Thread-safe: loaded once, never unloaded.
#pragma once

#include <libpq-fe.h>

namespace qmz::suite {

struct LibpqFunctions {
  decltype(&::PQconnectdb) PQconnectdb;
  decltype(&::PQstatus) PQstatus;
  decltype(&::PQfinish) PQfinish;
  decltype(&::PQsocket) PQsocket;
  decltype(&::PQsslInUse) PQsslInUse;
  decltype(&::PQerrorMessage) PQerrorMessage;
  decltype(&::PQsendQuery) PQsendQuery;
  decltype(&::PQsendPrepare) PQsendPrepare;
  decltype(&::PQsendDescribePrepared) PQsendDescribePrepared;
  decltype(&::PQsendQueryPrepared) PQsendQueryPrepared;
  decltype(&::PQisBusy) PQisBusy;
  decltype(&::PQconsumeInput) PQconsumeInput;
  decltype(&::PQgetResult) PQgetResult;
  decltype(&::PQresultStatus) PQresultStatus;
  decltype(&::PQresultErrorField) PQresultErrorField;
  decltype(&::PQresultErrorMessage) PQresultErrorMessage;
  decltype(&::PQntuples) PQntuples;
  decltype(&::PQnfields) PQnfields;
  decltype(&::PQfname) PQfname;
  decltype(&::PQftype) PQftype;
  decltype(&::PQftable) PQftable;
  decltype(&::PQgetvalue) PQgetvalue;
  decltype(&::PQgetlength) PQgetlength;
  decltype(&::PQgetisnull) PQgetisnull;
  decltype(&::PQclear) PQclear;
};

const LibpqFunctions* Libpq();

}  // namespace qmz::suite
