#include "DataLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLatin1StringView>

namespace {

constexpr QFile::Permissions privateDirPermissions =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

constexpr QFile::Permissions othersPermissions = QFile::ReadGroup | QFile::WriteGroup |
                                                 QFile::ExeGroup | QFile::ReadOther |
                                                 QFile::WriteOther | QFile::ExeOther;

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

QString brimvaleDataDir()
{
    // The XDG base directory rules ignore a relative XDG_DATA_HOME.
    const QString xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const QString base = !xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)
                             ? xdgDataHome
                             : QDir::homePath() + QLatin1StringView("/.local/share");
    return QDir::cleanPath(base + QLatin1StringView("/brimvale"));
}

QString brimvaleStoreFile()
{
    return brimvaleDataDir() + QLatin1StringView("/brimvale.sqlite3");
}

bool ensurePrivateDir(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        return fail(error,
                    QCoreApplication::translate("DataLocation", "%1 exists and is not a directory")
                        .arg(path));
    if (!info.exists()) {
        const QString parent = info.absolutePath();
        if (!QDir().mkpath(parent))
            return fail(
                error, QCoreApplication::translate("DataLocation", "cannot create the directory %1")
                           .arg(parent));
        // Created with its final mode at once, so it is never open to others.
        if (!QDir().mkdir(path, privateDirPermissions) && !QFileInfo(path).isDir())
            return fail(
                error, QCoreApplication::translate("DataLocation", "cannot create the directory %1")
                           .arg(path));
    }
    if ((QFileInfo(path).permissions() & othersPermissions) &&
        !QFile::setPermissions(path, privateDirPermissions))
        return fail(error, QCoreApplication::translate("DataLocation",
                                                       "cannot make the directory %1 private")
                               .arg(path));
    return true;
}
