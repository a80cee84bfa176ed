// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/ProgramStarter.h>

#include <QProcess>

DetachedProcessStarter::DetachedProcessStarter(QHash<QString, QString> substitutes)
{
    for (auto it = substitutes.cbegin(); it != substitutes.cend(); ++it) {
        m_substitutes.insert(it.key().toLower(), it.value());
    }
}

DetachedProcessStarter DetachedProcessStarter::fromEnvironment()
{
    QString registrar = qEnvironmentVariable("KALVOR_REGSVR32");
    if (registrar.isEmpty()) {
        registrar = QStringLiteral("true");
    }
    return DetachedProcessStarter({{QStringLiteral("regsvr32"), registrar}});
}

QString DetachedProcessStarter::resolve(const QString &program) const
{
    return m_substitutes.value(program.toLower(), program);
}

bool DetachedProcessStarter::startDetached(const QString &program, const QStringList &arguments,
                                           const QString &workingDirectory)
{
    return QProcess::startDetached(resolve(program), arguments, workingDirectory);
}
