#include "XdgAutostartEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>

#include <unistd.h>

namespace {

// The keys of the desktop file's [Desktop Entry] group, the last of each winning;
// nullopt when the file cannot be read.
std::optional<QHash<QByteArray, QByteArray>> mainGroup(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QHash<QByteArray, QByteArray> keys;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0)
            keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return keys;
}

// The desktop file says it is switched off: Hidden=true (the freedesktop rule,
// written by Xfce and KDE) or GNOME's X-GNOME-Autostart-enabled=false.
bool switchedOff(const QString &path)
{
    const auto keys = mainGroup(path);
    return !keys || keys->value("Hidden") == "true" ||
           keys->value("X-GNOME-Autostart-enabled") == "false";
}

// An Exec argument, quoted as the desktop entry rules ask when it needs it.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool plain = !argument.isEmpty();
    for (const QChar c : argument)
        plain = plain && !reserved.contains(c);
    if (plain)
        return argument;
    QString quoted = argument;
    for (const char *special : {"\\", "\"", "`", "$"})
        quoted.replace(QLatin1StringView(special),
                       QLatin1StringView("\\") + QLatin1StringView(special));
    return u'"' + quoted + u'"';
}

// A string value as the desktop entry rules escape it.
QByteArray stringValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'\\', QLatin1StringView("\\\\"));
    escaped.replace(u'\n', QLatin1StringView("\\n"));
    escaped.replace(u'\t', QLatin1StringView("\\t"));
    escaped.replace(u'\r', QLatin1StringView("\\r"));
    if (escaped.startsWith(u' '))
        escaped.replace(0, 1, QLatin1StringView("\\s"));
    return escaped.toUtf8();
}

// Why the entry must not be written at `path`, when it is a symbolic link: only
// one to a file of the user's own is written through. One that leads nowhere
// would make the entry wherever it points; one to another's file would have
// that file replaced.
std::optional<QString> linkProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return std::nullopt;
    const QFileInfo reached(info.canonicalFilePath());
    if (reached.filePath().isEmpty() || !reached.isFile())
        return QCoreApplication::translate("XdgAutostartEntry",
                                           "%1 is a symbolic link to %2, which is not a file; "
                                           "the entry is not written and the link is left as it is")
            .arg(path, info.symLinkTarget());
    if (reached.ownerId() != ::geteuid())
        return QCoreApplication::translate("XdgAutostartEntry",
                                           "%1 is a symbolic link to %2, which is not yours; the "
                                           "entry is not written and the link is left as it is")
            .arg(path, info.symLinkTarget());
    return std::nullopt;
}

QString commandFor(const QString &program)
{
    return execArgument(program) + QLatin1StringView(" --background");
}

// TryExec lets the session skip the entry once the program is gone (the package
// removed, the build deleted), instead of failing to start it at every login.
QByteArray entryText(const QString &program, bool hidden)
{
    QByteArray text = "[Desktop Entry]\n"
                      "Type=Application\n"
                      "Name=Brimvale\n"
                      "Comment=Keep a history of the texts you copy\n"
                      "Icon=io.github.brimvale.Brimvale\n"
                      "TryExec=" +
                      stringValue(program) +
                      "\n"
                      "Exec=" +
                      commandFor(program).toUtf8() +
                      "\n"
                      "Terminal=false\n"
                      "X-GNOME-Autostart-enabled=true\n";
    if (hidden)
        text += "Hidden=true\n";
    return text;
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString path, QStringList systemDirs, QString program)
    : m_path(std::move(path)), m_systemDirs(std::move(systemDirs)), m_program(std::move(program))
{
}

QString XdgAutostartEntry::fileName()
{
    return QStringLiteral("io.github.brimvale.Brimvale.desktop");
}

QString XdgAutostartEntry::defaultPath()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = !configHome.isEmpty() && QDir::isAbsolutePath(configHome)
                             ? configHome
                             : QDir::homePath() + QLatin1StringView("/.config");
    return QDir::cleanPath(base + QLatin1StringView("/autostart/") + fileName());
}

QStringList XdgAutostartEntry::defaultSystemDirs()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList result;
    for (const QString &dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            result.append(QDir::cleanPath(dir + QLatin1StringView("/autostart")));
    }
    return result;
}

QString XdgAutostartEntry::defaultProgram()
{
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("brimvale"));
    return !onPath.isEmpty() && QFileInfo(onPath).canonicalFilePath() == self
               ? QStringLiteral("brimvale")
               : self;
}

QString XdgAutostartEntry::defaultCommand()
{
    return commandFor(defaultProgram());
}

bool XdgAutostartEntry::isEnabled() const
{
    if (QFileInfo::exists(m_path))
        return !switchedOff(m_path);
    const QString system = systemEntry();
    return !system.isEmpty() && !switchedOff(system);
}

bool XdgAutostartEntry::exists() const
{
    return QFileInfo::exists(m_path);
}

StoreStatus XdgAutostartEntry::setEnabled(bool on)
{
    const QString system = systemEntry();
    if (!on && (system.isEmpty() || switchedOff(system))) {
        if (!QFileInfo::exists(m_path) || QFile::remove(m_path))
            return {};
        return StoreError{
            QCoreApplication::translate("XdgAutostartEntry", "cannot remove %1").arg(m_path)};
    }
    if (const std::optional<QString> problem = linkProblem(m_path))
        return StoreError{*problem};
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir))
        return StoreError{
            QCoreApplication::translate("XdgAutostartEntry", "cannot create the folder %1")
                .arg(dir)};
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(m_program, !on)) < 0 ||
        !file.commit())
        return StoreError{QCoreApplication::translate("XdgAutostartEntry", "cannot write %1: %2")
                              .arg(m_path, file.errorString())};
    return {};
}

bool XdgAutostartEntry::isOutdated() const
{
    const auto keys = mainGroup(m_path);
    return keys && !keys->contains("TryExec");
}

QString XdgAutostartEntry::systemEntry() const
{
    for (const QString &dir : m_systemDirs) {
        const QString candidate = QDir(dir).filePath(fileName());
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}
