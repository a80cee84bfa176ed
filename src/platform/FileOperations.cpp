// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/FileOperations.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace {

FileOperations::Result failure(const std::error_code &code)
{
    using Outcome = FileOperations::Outcome;
    Outcome outcome = Outcome::Failed;
    if (code == std::errc::permission_denied || code == std::errc::operation_not_permitted) {
        outcome = Outcome::PermissionDenied;
    } else if (code == std::errc::no_such_file_or_directory) {
        outcome = Outcome::NotFound;
    }
    return {outcome, QString::fromLocal8Bit(code.message())};
}

} // namespace

bool FileOperations::exists(const QString &path) const
{
    return QFileInfo(path).isFile();
}

FileOperations::Result FileOperations::remove(const QString &path)
{
    std::error_code code;
    if (std::filesystem::remove(std::filesystem::path(QFile::encodeName(path).toStdString()), code)) {
        return {};
    }
    if (!code) {
        code = std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return failure(code);
}

FileOperations::Result FileOperations::copy(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        const bool missing = !source.exists();
        return {missing                                           ? Outcome::NotFound
                : source.error() == QFileDevice::PermissionsError ? Outcome::PermissionDenied
                                                                  : Outcome::Failed,
                source.errorString()};
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        return {target.error() == QFileDevice::PermissionsError ? Outcome::PermissionDenied : Outcome::Failed,
                target.errorString()};
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            target.cancelWriting();
            return {Outcome::Failed, source.errorString()};
        }
        target.write(chunk);
    }
    if (!target.commit()) {
        return {Outcome::Failed, target.errorString()};
    }
    return {};
}
