// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibPq.h"

#include <atomic>
#include <dlfcn.h>
#include <type_traits>

namespace pg {

namespace {

constinit LibPq functions;
std::atomic<const char *> fileName{"libpq.so.5"};

} // namespace

constinit const LibPq &libpq = functions;

const char *libPqFileName()
{
    return fileName.load();
}

void setLibPqFileName(const char *name)
{
    fileName.store(name);
}

bool resolveLibPq(const char *name, LibPq &into, QString &error)
{
    // Now: a library that lacks something of its own fails here rather than at some later call.
    // Local: its names stay out of the program's.
    void *library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        error = QString::fromLocal8Bit(dlerror());
        return false;
    }
    LibPq resolved;
    QString missing;
    auto resolve = [&](auto &function, const char *symbol) {
        if (!missing.isEmpty()) {
            return;
        }
        dlerror();
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, symbol));
        if (!function) {
            const char *words = dlerror();
            missing = words
                          ? QString::fromLocal8Bit(words)
                          : QStringLiteral("%1: no %2").arg(QString::fromLocal8Bit(name), QString::fromLatin1(symbol));
        }
    };
    resolve(resolved.PQclear, "PQclear");
    resolve(resolved.PQcmdStatus, "PQcmdStatus");
    resolve(resolved.PQcmdTuples, "PQcmdTuples");
    resolve(resolved.PQconnectdbParams, "PQconnectdbParams");
    resolve(resolved.PQconninfoFree, "PQconninfoFree");
    resolve(resolved.PQconninfoParse, "PQconninfoParse");
    resolve(resolved.PQdescribePrepared, "PQdescribePrepared");
    resolve(resolved.PQerrorMessage, "PQerrorMessage");
    resolve(resolved.PQexec, "PQexec");
    resolve(resolved.PQexecPrepared, "PQexecPrepared");
    resolve(resolved.PQfinish, "PQfinish");
    resolve(resolved.PQfname, "PQfname");
    resolve(resolved.PQfreemem, "PQfreemem");
    resolve(resolved.PQftype, "PQftype");
    resolve(resolved.PQgetResult, "PQgetResult");
    resolve(resolved.PQgetisnull, "PQgetisnull");
    resolve(resolved.PQgetlength, "PQgetlength");
    resolve(resolved.PQgetvalue, "PQgetvalue");
    resolve(resolved.PQnfields, "PQnfields");
    resolve(resolved.PQnparams, "PQnparams");
    resolve(resolved.PQntuples, "PQntuples");
    resolve(resolved.PQprepare, "PQprepare");
    resolve(resolved.PQputCopyData, "PQputCopyData");
    resolve(resolved.PQputCopyEnd, "PQputCopyEnd");
    resolve(resolved.PQresultErrorField, "PQresultErrorField");
    resolve(resolved.PQresultStatus, "PQresultStatus");
    resolve(resolved.PQsendQueryPrepared, "PQsendQueryPrepared");
    resolve(resolved.PQsetNoticeProcessor, "PQsetNoticeProcessor");
    resolve(resolved.PQsetSingleRowMode, "PQsetSingleRowMode");
    resolve(resolved.PQstatus, "PQstatus");
    resolve(resolved.PQtransactionStatus, "PQtransactionStatus");
    if (!missing.isEmpty()) {
        dlclose(library);
        error = missing;
        return false;
    }
    into = resolved;
    return true;
}

QString loadLibPq()
{
    // Set up once, by whichever thread comes first; the others wait for it. (Not std::call_once:
    // its thread-local state would make the program name the dynamic loader itself as a library.)
    static const QString error = [] {
        QString words;
        resolveLibPq(fileName.load(), functions, words);
        return words;
    }();
    return error;
}

} // namespace pg
