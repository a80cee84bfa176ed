// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/ProfileFile.h>

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace {

// One line of the file as it is stored, its ending included.
using Lines = QList<QByteArray>;

Lines splitLines(const QByteArray &text)
{
    Lines lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf('\n', start);
        if (end < 0) {
            lines.append(text.mid(start));
            break;
        }
        lines.append(text.mid(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

QString content(const QByteArray &line)
{
    QByteArray text = line;
    while (text.endsWith('\n') || text.endsWith('\r')) {
        text.chop(1);
    }
    return QString::fromUtf8(text).trimmed();
}

std::optional<QString> sectionName(const QString &line)
{
    if (!line.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    return (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
}

struct Entry
{
    QString key;
    QString value;
};

std::optional<Entry> entry(const QString &line)
{
    if (line.startsWith(QLatin1Char(';'))) {
        return std::nullopt;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return std::nullopt;
    }
    return Entry{line.left(equals).trimmed(), line.mid(equals + 1).trimmed()};
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front()) {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

namespace ProfileFile {

QString readString(const QString &section, const QString &key, const QString &defaultValue, int bufferSize,
                   const QString &fileName)
{
    QString found = defaultValue;
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        bool inSection = false;
        for (const QByteArray &raw : splitLines(file.readAll())) {
            const QString line = content(raw);
            if (const auto name = sectionName(line)) {
                if (inSection) {
                    break;
                }
                inSection = sameName(*name, section);
            } else if (inSection) {
                const auto pair = entry(line);
                if (pair && sameName(pair->key, key)) {
                    found = unquoted(pair->value);
                    break;
                }
            }
        }
    }
    return found.left(qMax(0, bufferSize - 1));
}

bool writeString(const QString &section, const QString &key, const QString &value, const QString &fileName)
{
    QByteArray text;
    {
        QFile file(fileName);
        if (file.exists() && !file.open(QIODevice::ReadOnly)) {
            return false;
        }
        if (file.isOpen()) {
            text = file.readAll();
        }
    }
    const QByteArray newline = text.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    Lines lines = splitLines(text);

    qsizetype sectionLine = -1;
    qsizetype lastEntryLine = -1;
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = content(lines[i]);
        if (const auto name = sectionName(line)) {
            if (sectionLine >= 0) {
                break;
            }
            if (sameName(*name, section)) {
                sectionLine = i;
                lastEntryLine = i;
            }
        } else if (sectionLine >= 0 && !line.isEmpty()) {
            lastEntryLine = i;
            const auto pair = entry(line);
            if (pair && sameName(pair->key, key)) {
                keyLine = i;
                break;
            }
        }
    }

    if (keyLine >= 0) {
        const QByteArray &old = lines[keyLine];
        const QByteArray ending = old.endsWith("\r\n") ? QByteArrayLiteral("\r\n")
                                  : old.endsWith('\n') ? QByteArrayLiteral("\n")
                                                       : QByteArray();
        lines[keyLine] = entry(content(old))->key.toUtf8() + '=' + value.toUtf8() + ending;
    } else if (sectionLine >= 0) {
        if (!lines[lastEntryLine].endsWith('\n')) {
            lines[lastEntryLine] += newline;
        }
        lines.insert(lastEntryLine + 1, key.toUtf8() + '=' + value.toUtf8() + newline);
    } else {
        if (!lines.isEmpty() && !lines.back().endsWith('\n')) {
            lines.back() += newline;
        }
        lines.append('[' + section.toUtf8() + ']' + newline);
        lines.append(key.toUtf8() + '=' + value.toUtf8() + newline);
    }

    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (const QByteArray &line : std::as_const(lines)) {
        out.write(line);
    }
    return out.commit();
}

} // namespace ProfileFile
