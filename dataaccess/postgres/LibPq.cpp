#include "dataaccess/postgres/LibPq.h"

#include <dlfcn.h>

#include <string>

#include "framework/Exception.h"

namespace {

// The loaded libpq; raises EDatabaseError when it cannot be loaded (and tries
// again on the next call).
void* Library() {
  static void* const library = [] {
    void* handle = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* reason = dlerror();
      throw qgen::EDatabaseError(
          std::string("PostgreSQL needs the libpq library (libpq.so.5, Debian package libpq5), "
                      "which cannot be loaded: ") +
          (reason ? reason : "unknown reason") + ". Install it, or use an SQLite database.");
    }
    return handle;
  }();
  return library;
}

// The real libpq function `name`, of the type of its forwarder `F`. Looked up
// in libpq itself, never in the program, where the forwarders' names are not
// libpq's but a program may define libpq's own.
template <class F>
F* Real(F*, const char* name) {
  void* symbol = dlsym(Library(), name);
  if (!symbol)
    throw qgen::EDatabaseError(std::string("libpq.so.5 has no function ") + name +
                               ": install a libpq of version 15 or later");
  return reinterpret_cast<F*>(symbol);
}

}  // namespace

// Each forwarder looks its function up once and calls it with its arguments.
#define QGEN_FORWARD(type, name, params, args)                 \
  extern "C" type qgen_libpq_##name params {                   \
    static auto* const real = Real(&qgen_libpq_##name, #name); \
    return real args;                                          \
  }

QGEN_FORWARD(void, PQclear, (PGresult * res), (res))
QGEN_FORWARD(char*, PQcmdStatus, (PGresult * res), (res))
QGEN_FORWARD(char*, PQcmdTuples, (PGresult * res), (res))
QGEN_FORWARD(PGconn*, PQconnectdb, (const char* conninfo), (conninfo))
QGEN_FORWARD(PGconn*, PQconnectdbParams,
             (const char* const* keywords, const char* const* values, int expand_dbname),
             (keywords, values, expand_dbname))
QGEN_FORWARD(char*, PQerrorMessage, (const PGconn* conn), (conn))
QGEN_FORWARD(PGresult*, PQexec, (PGconn * conn, const char* query), (conn, query))
QGEN_FORWARD(PGresult*, PQexecPrepared,
             (PGconn * conn, const char* stmtName, int nParams, const char* const* paramValues,
              const int* paramLengths, const int* paramFormats, int resultFormat),
             (conn, stmtName, nParams, paramValues, paramLengths, paramFormats, resultFormat))
QGEN_FORWARD(void, PQfinish, (PGconn * conn), (conn))
QGEN_FORWARD(int, PQenterPipelineMode, (PGconn * conn), (conn))
QGEN_FORWARD(int, PQexitPipelineMode, (PGconn * conn), (conn))
QGEN_FORWARD(void, PQfreemem, (void* ptr), (ptr))
QGEN_FORWARD(Oid, PQftype, (const PGresult* res, int field_num), (res, field_num))
QGEN_FORWARD(int, PQgetCopyData, (PGconn * conn, char** buffer, int async), (conn, buffer, async))
QGEN_FORWARD(int, PQgetisnull, (const PGresult* res, int tup_num, int field_num),
             (res, tup_num, field_num))
QGEN_FORWARD(int, PQgetlength, (const PGresult* res, int tup_num, int field_num),
             (res, tup_num, field_num))
QGEN_FORWARD(PGresult*, PQgetResult, (PGconn * conn), (conn))
QGEN_FORWARD(char*, PQgetvalue, (const PGresult* res, int tup_num, int field_num),
             (res, tup_num, field_num))
QGEN_FORWARD(int, PQnfields, (const PGresult* res), (res))
QGEN_FORWARD(int, PQntuples, (const PGresult* res), (res))
QGEN_FORWARD(int, PQpipelineSync, (PGconn * conn), (conn))
QGEN_FORWARD(PGresult*, PQprepare,
             (PGconn * conn, const char* stmtName, const char* query, int nParams,
              const Oid* paramTypes),
             (conn, stmtName, query, nParams, paramTypes))
QGEN_FORWARD(int, PQputCopyEnd, (PGconn * conn, const char* errormsg), (conn, errormsg))
QGEN_FORWARD(void, PQreset, (PGconn * conn), (conn))
QGEN_FORWARD(char*, PQresultErrorField, (const PGresult* res, int fieldcode), (res, fieldcode))
QGEN_FORWARD(char*, PQresultErrorMessage, (const PGresult* res), (res))
QGEN_FORWARD(ExecStatusType, PQresultStatus, (const PGresult* res), (res))
QGEN_FORWARD(int, PQsendQueryParams,
             (PGconn * conn, const char* command, int nParams, const Oid* paramTypes,
              const char* const* paramValues, const int* paramLengths, const int* paramFormats,
              int resultFormat),
             (conn, command, nParams, paramTypes, paramValues, paramLengths, paramFormats,
              resultFormat))
QGEN_FORWARD(int, PQsendQueryPrepared,
             (PGconn * conn, const char* stmtName, int nParams, const char* const* paramValues,
              const int* paramLengths, const int* paramFormats, int resultFormat),
             (conn, stmtName, nParams, paramValues, paramLengths, paramFormats, resultFormat))
QGEN_FORWARD(int, PQsetClientEncoding, (PGconn * conn, const char* encoding), (conn, encoding))
QGEN_FORWARD(PQnoticeProcessor, PQsetNoticeProcessor,
             (PGconn * conn, PQnoticeProcessor proc, void* arg), (conn, proc, arg))
QGEN_FORWARD(ConnStatusType, PQstatus, (const PGconn* conn), (conn))
QGEN_FORWARD(PGTransactionStatusType, PQtransactionStatus, (const PGconn* conn), (conn))
