// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Starts a separate program and does not wait for it.
class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // False when the program could not be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments,
                               const QString &workingDirectory) = 0;
};

// Starts programs with QProcess. Windows tools this platform lacks are replaced by the program
// named in substitutes (program name, matched without regard to case, to the program to run
// instead, which gets the same arguments and working folder).
class DetachedProcessStarter final : public ProgramStarter
{
public:
    explicit DetachedProcessStarter(QHash<QString, QString> substitutes = {});

    // regsvr32 becomes $KALVOR_REGSVR32, or "true" (which ignores its arguments) when unset:
    // the list-view control needs no registration here.
    static DetachedProcessStarter fromEnvironment();

    QString resolve(const QString &program) const;
    bool startDetached(const QString &program, const QStringList &arguments, const QString &workingDirectory) override;

private:
    QHash<QString, QString> m_substitutes;
};
