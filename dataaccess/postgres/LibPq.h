// libpq, loaded when the first PostgreSQL connection is opened instead of when
// the program starts. Loading libpq and what it needs (TLS, Kerberos, LDAP)
// takes longer than the whole start of a program that only uses SQLite, such
// as one `qgen next` on a file.
//
// The backend includes this header in place of <libpq-fe.h>. It renames each
// libpq function the backend calls to a forwarder (LibPq.cpp) that loads
// libpq.so.5 on first use and calls the real function; the forwarders keep
// libpq's own prototypes, so the compiler checks every call as before. The
// first call raises EDatabaseError when libpq cannot be loaded. A libpq
// function used without being listed here is an undefined reference when the
// program is linked: add it here and in LibPq.cpp. Thread-safe.
#pragma once

#define PQclear qgen_libpq_PQclear
#define PQcmdStatus qgen_libpq_PQcmdStatus
#define PQcmdTuples qgen_libpq_PQcmdTuples
#define PQconnectdb qgen_libpq_PQconnectdb
#define PQconnectdbParams qgen_libpq_PQconnectdbParams
#define PQerrorMessage qgen_libpq_PQerrorMessage
#define PQexec qgen_libpq_PQexec
#define PQexecPrepared qgen_libpq_PQexecPrepared
#define PQfinish qgen_libpq_PQfinish
#define PQenterPipelineMode qgen_libpq_PQenterPipelineMode
#define PQexitPipelineMode qgen_libpq_PQexitPipelineMode
#define PQfreemem qgen_libpq_PQfreemem
#define PQftype qgen_libpq_PQftype
#define PQgetCopyData qgen_libpq_PQgetCopyData
#define PQgetisnull qgen_libpq_PQgetisnull
#define PQgetlength qgen_libpq_PQgetlength
#define PQgetResult qgen_libpq_PQgetResult
#define PQgetvalue qgen_libpq_PQgetvalue
#define PQnfields qgen_libpq_PQnfields
#define PQntuples qgen_libpq_PQntuples
#define PQpipelineSync qgen_libpq_PQpipelineSync
#define PQprepare qgen_libpq_PQprepare
#define PQputCopyEnd qgen_libpq_PQputCopyEnd
#define PQreset qgen_libpq_PQreset
#define PQresultErrorField qgen_libpq_PQresultErrorField
#define PQresultErrorMessage qgen_libpq_PQresultErrorMessage
#define PQresultStatus qgen_libpq_PQresultStatus
#define PQsendQueryParams qgen_libpq_PQsendQueryParams
#define PQsendQueryPrepared qgen_libpq_PQsendQueryPrepared
#define PQsetClientEncoding qgen_libpq_PQsetClientEncoding
#define PQsetNoticeProcessor qgen_libpq_PQsetNoticeProcessor
#define PQstatus qgen_libpq_PQstatus
#define PQtransactionStatus qgen_libpq_PQtransactionStatus

#include <libpq-fe.h>
