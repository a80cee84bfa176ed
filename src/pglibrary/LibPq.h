// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <libpq-fe.h>

// libpq, loaded when the first server library is opened rather than with the program: almost
// every start opens a library file, and libpq brings some twenty libraries of its own (TLS,
// Kerberos, LDAP, ...) whose loading every start would otherwise pay for. The header is only
// read for its types; the functions are called through the table below.
namespace pg {

struct LibPq
{
    decltype(&::PQclear) PQclear = nullptr;
    decltype(&::PQcmdStatus) PQcmdStatus = nullptr;
    decltype(&::PQcmdTuples) PQcmdTuples = nullptr;
    decltype(&::PQconnectdbParams) PQconnectdbParams = nullptr;
    decltype(&::PQconninfoFree) PQconninfoFree = nullptr;
    decltype(&::PQconninfoParse) PQconninfoParse = nullptr;
    decltype(&::PQdescribePrepared) PQdescribePrepared = nullptr;
    decltype(&::PQerrorMessage) PQerrorMessage = nullptr;
    decltype(&::PQexec) PQexec = nullptr;
    decltype(&::PQexecPrepared) PQexecPrepared = nullptr;
    decltype(&::PQfinish) PQfinish = nullptr;
    decltype(&::PQfname) PQfname = nullptr;
    decltype(&::PQfreemem) PQfreemem = nullptr;
    decltype(&::PQftype) PQftype = nullptr;
    decltype(&::PQgetResult) PQgetResult = nullptr;
    decltype(&::PQgetisnull) PQgetisnull = nullptr;
    decltype(&::PQgetlength) PQgetlength = nullptr;
    decltype(&::PQgetvalue) PQgetvalue = nullptr;
    decltype(&::PQnfields) PQnfields = nullptr;
    decltype(&::PQnparams) PQnparams = nullptr;
    decltype(&::PQntuples) PQntuples = nullptr;
    decltype(&::PQprepare) PQprepare = nullptr;
    decltype(&::PQputCopyData) PQputCopyData = nullptr;
    decltype(&::PQputCopyEnd) PQputCopyEnd = nullptr;
    decltype(&::PQresultErrorField) PQresultErrorField = nullptr;
    decltype(&::PQresultStatus) PQresultStatus = nullptr;
    decltype(&::PQsendQueryPrepared) PQsendQueryPrepared = nullptr;
    decltype(&::PQsetNoticeProcessor) PQsetNoticeProcessor = nullptr;
    decltype(&::PQsetSingleRowMode) PQsetSingleRowMode = nullptr;
    decltype(&::PQstatus) PQstatus = nullptr;
    decltype(&::PQtransactionStatus) PQtransactionStatus = nullptr;
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
