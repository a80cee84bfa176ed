// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/server/LibPq.h>

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
#define TAPRELL_RESOLVE(name) resolve(resolved.name, #name);
    TAPRELL_LIBPQ_FUNCTIONS(TAPRELL_RESOLVE)
#undef TAPRELL_RESOLVE
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
