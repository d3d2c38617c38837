#pragma once

#include "AutostartEntry.h"

#include <QString>
#include <QStringList>

// The autostart entry of the freedesktop rules: a desktop file named like the
// application in $XDG_CONFIG_HOME/autostart. One of the same name in a system
// autostart folder ($XDG_CONFIG_DIRS/autostart) counts until the user's own
// hides it, so switching off there writes Hidden=true instead of removing.
class XdgAutostartEntry final : public AutostartEntry
{
public:
    // `program` is what the entry starts, without opening the panel, once the
    // session finds it (see defaultProgram()).
    explicit XdgAutostartEntry(QString path = defaultPath(),
                               QStringList systemDirs = defaultSystemDirs(),
                               QString program = defaultProgram());

    static QString fileName();
    // $XDG_CONFIG_HOME/autostart/<fileName()>, ~/.config when unset or relative.
    static QString defaultPath();
    static QStringList defaultSystemDirs();
    // "brimvale" when the running binary is the one on PATH, else the binary's
    // absolute path (a build that was never installed).
    static QString defaultProgram();
    // The Exec line of the entry: the default program with --background.
    static QString defaultCommand();

    bool isEnabled() const override;
    bool exists() const override;
    StoreStatus setEnabled(bool on) override;
    // The user's own entry lacks TryExec, as entries written by Brimvale 0.1 do.
    bool isOutdated() const override;

    QString path() const { return m_path; }

private:
    QString systemEntry() const;

    QString m_path;
    QStringList m_systemDirs;
    QString m_program;
};
