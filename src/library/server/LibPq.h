// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <libpq-fe.h>

// libpq, loaded when the first server library is opened rather than with the program: almost
// every start opens a library file, and libpq brings some twenty libraries of its own (TLS,
// Kerberos, LDAP, ...) whose loading every start would otherwise pay for. The header is only
// read for its types; the functions are called through the table below.
namespace pg {

// Every libpq function the program calls, named once: the table and its loading both follow it.
#define TAPRELL_LIBPQ_FUNCTIONS(X)                                                                                     \
    X(PQclear)                                                                                                         \
    X(PQcmdStatus)                                                                                                     \
    X(PQcmdTuples)                                                                                                     \
    X(PQconnectdbParams)                                                                                               \
    X(PQconninfoFree)                                                                                                  \
    X(PQconninfoParse)                                                                                                 \
    X(PQdescribePrepared)                                                                                              \
    X(PQerrorMessage)                                                                                                  \
    X(PQexec)                                                                                                          \
    X(PQexecPrepared)                                                                                                  \
    X(PQfinish)                                                                                                        \
    X(PQfname)                                                                                                         \
    X(PQfreemem)                                                                                                       \
    X(PQftype)                                                                                                         \
    X(PQgetResult)                                                                                                     \
    X(PQgetisnull)                                                                                                     \
    X(PQgetlength)                                                                                                     \
    X(PQgetvalue)                                                                                                      \
    X(PQnfields)                                                                                                       \
    X(PQnparams)                                                                                                       \
    X(PQntuples)                                                                                                       \
    X(PQprepare)                                                                                                       \
    X(PQputCopyData)                                                                                                   \
    X(PQputCopyEnd)                                                                                                    \
    X(PQresultErrorField)                                                                                              \
    X(PQresultStatus)                                                                                                  \
    X(PQsendQueryPrepared)                                                                                             \
    X(PQsetNoticeProcessor)                                                                                            \
    X(PQsetSingleRowMode)                                                                                              \
    X(PQstatus)                                                                                                        \
    X(PQtransactionStatus)

struct LibPq
{
#define TAPRELL_LIBPQ_MEMBER(name) decltype(&::name) name = nullptr;
    TAPRELL_LIBPQ_FUNCTIONS(TAPRELL_LIBPQ_MEMBER)
#undef TAPRELL_LIBPQ_MEMBER
};

// The program's libpq functions: all null until loadLibPq() has succeeded, all set after.
extern const LibPq &libpq;

// Loads the client library the first time it is asked (once for the program, whichever thread
// asks first) and fills in libpq. Empty when the functions are there; otherwise the loader's words
// for what is missing, the same answer every time after.
QString loadLibPq();

// The file loadLibPq() loads: "libpq.so.5", unless another name (one that lives as long as the
// program) was set before the first load.
const char *libPqFileName();
void setLibPqFileName(const char *fileName);

// Opens the library of that file name and resolves every function of LibPq. On failure, false
// with dlerror()'s words in error, functions as they were and the library let go again; on
// success the library stays loaded.
bool resolveLibPq(const char *fileName, LibPq &functions, QString &error);

} // namespace pg
