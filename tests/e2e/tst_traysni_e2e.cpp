#include "E2eSupport.h"
#include "SqlitePreferences.h"
#include "WindowMapState.h"
#include "XdoWindow.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString watcherProgram = u"status-notifier-watcher"_s;
const QString watcherName = u"org.kde.StatusNotifierWatcher"_s;
const QString watcherPath = u"/StatusNotifierWatcher"_s;

struct Reply
{
    bool ok = false;
    QString text;
};

// A private session bus with a StatusNotifierWatcher on it, as a desktop whose
// panel shows StatusNotifierItems has; gdbus is the panel's side.
class SniBus final
{
public:
    SniBus()
    {
        m_daemon.start(u"dbus-daemon"_s,
                       {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s});
        if (!m_daemon.waitForReadyRead(10000))
            return;
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_address);
        m_watcher.setProcessEnvironment(env);
        m_watcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_watcher.start(watcherProgram, {});
    }
    ~SniBus()
    {
        for (QProcess *process : {&m_watcher, &m_daemon}) {
            process->kill();
            process->waitForFinished();
        }
    }
    SniBus(const SniBus &) = delete;
    SniBus &operator=(const SniBus &) = delete;

    QString address() const { return m_address; }

    bool waitForWatcher()
    {
        return QTest::qWaitFor(
            [this] {
                return call(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                            u"org.freedesktop.DBus.GetNameOwner"_s, {watcherName})
                    .ok;
            },
            10000);
    }

    // Qt offers its tray icon as an item only once a host (a panel) is there.
    bool registerHost()
    {
        return call(watcherName, watcherPath,
                    u"org.kde.StatusNotifierWatcher.RegisterStatusNotifierHost"_s,
                    {u"org.kde.StatusNotifierHost-brimvale-test"_s})
                   .ok &&
               watcherProperty(u"IsStatusNotifierHostRegistered"_s).text == u"(<true>,)"_s;
    }

    Reply watcherProperty(const QString &name)
    {
        return call(watcherName, watcherPath, u"org.freedesktop.DBus.Properties.Get"_s,
                    {u"org.kde.StatusNotifierWatcher"_s, name});
    }

    std::optional<uint> processOf(const QString &service)
    {
        const Reply reply = call(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                 u"org.freedesktop.DBus.GetConnectionUnixProcessID"_s, {service});
        static const QRegularExpression number(u"^\\(uint32 (\\d+),\\)$"_s);
        const QRegularExpressionMatch match = number.match(reply.text);
        if (!reply.ok || !match.hasMatch())
            return std::nullopt;
        return match.captured(1).toUInt();
    }

    Reply call(const QString &destination, const QString &path, const QString &method,
               const QStringList &arguments)
    {
        QProcess gdbus;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_address);
        gdbus.setProcessEnvironment(env);
        gdbus.start(u"gdbus"_s,
                    QStringList{u"call"_s, u"--session"_s, u"--dest"_s, destination,
                                u"--object-path"_s, path, u"--method"_s, method, u"--"_s} +
                        arguments);
        if (!gdbus.waitForFinished(10000)) {
            gdbus.kill();
            gdbus.waitForFinished();
            return {};
        }
        return {gdbus.exitStatus() == QProcess::NormalExit && gdbus.exitCode() == 0,
                QString::fromUtf8(gdbus.readAllStandardOutput().trimmed())};
    }

    QProcess &watcher() { return m_watcher; }

private:
    QProcess m_daemon;
    QProcess m_watcher;
    QString m_address;
};

struct MenuEntry
{
    int id = 0;
    QString label;
    bool separator = false;
    std::optional<int> toggleState;
};

// The top level of a com.canonical.dbusmenu layout as gdbus prints it:
// (uint32 rev, (0, {...}, [<(id, {props}, @av [])>, ...])).
QList<MenuEntry> parseLayout(const QString &text)
{
    static const QRegularExpression item(u"<\\((\\d+), \\{([^}]*)\\}, @av \\[\\]\\)>"_s);
    static const QRegularExpression label(u"'label': <'([^']*)'>"_s);
    static const QRegularExpression toggle(u"'toggle-state': <(-?\\d+)>"_s);
    QList<MenuEntry> entries;
    for (const QRegularExpressionMatch &match : item.globalMatch(text)) {
        MenuEntry entry;
        entry.id = match.captured(1).toInt();
        const QString properties = match.captured(2);
        entry.label = label.match(properties).captured(1);
        entry.separator = properties.contains(u"'type': <'separator'>"_s);
        const QRegularExpressionMatch state = toggle.match(properties);
        if (state.hasMatch())
            entry.toggleState = state.captured(1).toInt();
        entries.append(entry);
    }
    return entries;
}

// The tray icon's item and menu as a panel finds them on the bus.
struct TrayItem
{
    QString service;
    QString path;
    QString menuPath;
};

std::optional<MenuEntry> entryLabelled(const QList<MenuEntry> &entries, const QString &label)
{
    for (const MenuEntry &entry : entries) {
        if (entry.label == label)
            return entry;
    }
    return std::nullopt;
}

} // namespace

// The real brimvale's tray menu as an SNI panel (Xfce's, KDE's, an AppIndicator
// host) sees and works it: over com.canonical.dbusmenu on a session bus where a
// StatusNotifierWatcher runs.
class TraySniEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
        for (const QString &tool : {u"dbus-daemon"_s, u"gdbus"_s, u"xwininfo"_s}) {
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(),
                     qPrintable(tool + u" is missing: run scripts/install-deps.sh"_s));
        }
        QVERIFY2(XdoWindow::toolFound(), "xdotool is missing: run scripts/install-deps.sh");
        if (QStandardPaths::findExecutable(watcherProgram).isEmpty())
            QSKIP("the tray menu over StatusNotifierItem/dbusmenu was NOT tested: "
                  "status-notifier-watcher is missing (Debian: "
                  "haskell-status-notifier-item-utils, in scripts/install-deps.sh)");
    }

    void trayMenu_overDbusmenu_showsPrivacyModeAndQuit()
    {
        SniBus bus;
        QVERIFY(!bus.address().isEmpty());
        QVERIFY2(bus.waitForWatcher(), "status-notifier-watcher did not take its bus name");
        QVERIFY(bus.registerHost());

        E2eSession session;
        session.setEnvironmentVariable(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
        QVERIFY(session.startBrimvale({u"--background"_s}));
        const qint64 pid = session.brimvale().processId();

        const std::optional<TrayItem> item = findItem(bus, pid);
        QVERIFY2(item, "brimvale registered no StatusNotifierItem with the watcher");
        QVERIFY2(!item->menuPath.isEmpty() && item->menuPath != u"/"_s,
                 "the StatusNotifierItem offers no menu");

        // What a panel shows for the item; the tooltip follows Privacy Mode below.
        QCOMPARE(itemProperty(bus, *item, u"Title"_s), u"(<'Brimvale'>,)"_s);
        QVERIFY(itemProperty(bus, *item, u"ToolTip"_s).contains(u"'Brimvale — 0 items'"_s));

        QList<MenuEntry> entries = layout(bus, *item);
        QCOMPARE(entries.size(), 4);
        // Started by the session, it waits in the tray, closed.
        QCOMPARE(entries.at(0).label, u"Show Brimvale"_s);
        QCOMPARE(entries.at(1).label, u"Privacy Mode"_s);
        QCOMPARE(entries.at(1).toggleState, std::optional<int>(0));
        QVERIFY(entries.at(2).separator);
        QCOMPARE(entries.at(3).label, u"Quit"_s);

        // "Privacy Mode" turns it on, in the menu and in the store.
        QVERIFY(click(bus, *item, entries.at(1).id));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const std::optional<MenuEntry> privacy =
                    entryLabelled(layout(bus, *item), u"Privacy Mode"_s);
                return privacy && privacy->toggleState == 1;
            },
            5000));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return itemProperty(bus, *item, u"ToolTip"_s)
                    .contains(u"'Brimvale — 0 items · Privacy Mode on'"_s);
            },
            5000));

        // "Show Brimvale" opens the panel, and the entry then offers to hide it.
        QVERIFY(click(bus, *item, entries.at(0).id));
        const std::optional<XdoWindow> panel = XdoWindow::find(pid, u"Brimvale"_s);
        QVERIFY(panel);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), true));
        QVERIFY(QTest::qWaitFor(
            [&] { return entryLabelled(layout(bus, *item), u"Hide Brimvale"_s).has_value(); },
            5000));
        const std::optional<MenuEntry> hide = entryLabelled(layout(bus, *item), u"Hide Brimvale"_s);
        QVERIFY(hide);
        QVERIFY(click(bus, *item, hide->id));
        QVERIFY(WindowMapState::waitForMapped(panel->id(), false));

        // "Quit" ends the program as the user's quit does.
        entries = layout(bus, *item);
        const std::optional<MenuEntry> quit = entryLabelled(entries, u"Quit"_s);
        QVERIFY(quit);
        QVERIFY(click(bus, *item, quit->id));
        QVERIFY(session.brimvale().waitForFinished(10000));
        QCOMPARE(session.brimvale().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.brimvale().exitCode(), 0);

        SqliteStoreFile file(session.storePath());
        SqlitePreferences preferences(file);
        QVERIFY(preferences.privacyMode());
    }

    // Started from the application menu, it shows its panel even though the tray
    // would hold it.
    void startWithoutBackground_opensThePanelBesideTheTray()
    {
        SniBus bus;
        QVERIFY(bus.waitForWatcher());
        QVERIFY(bus.registerHost());
        E2eSession session;
        session.setEnvironmentVariable(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
        QVERIFY(session.startBrimvale());
        const std::optional<TrayItem> item = findItem(bus, session.brimvale().processId());
        QVERIFY(item);
        const std::optional<XdoWindow> panel =
            XdoWindow::find(session.brimvale().processId(), u"Brimvale"_s);
        QVERIFY(panel);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), true));
        QVERIFY(entryLabelled(layout(bus, *item), u"Hide Brimvale"_s));
    }

private:
    static std::optional<TrayItem> findItem(SniBus &bus, qint64 pid)
    {
        static const QRegularExpression quoted(u"'([^']+)'"_s);
        std::optional<TrayItem> found;
        const bool registered = QTest::qWaitFor(
            [&] {
                const Reply items = bus.watcherProperty(u"RegisteredStatusNotifierItems"_s);
                for (const QRegularExpressionMatch &match : quoted.globalMatch(items.text)) {
                    // An entry is a bus name, optionally followed by the item's path.
                    const QString entry = match.captured(1);
                    const qsizetype slash = entry.indexOf(u'/');
                    TrayItem item{slash < 0 ? entry : entry.left(slash),
                                  slash < 0 ? u"/StatusNotifierItem"_s : entry.mid(slash),
                                  {}};
                    if (bus.processOf(item.service) != std::optional<uint>(uint(pid)))
                        continue;
                    static const QRegularExpression objectPath(u"objectpath '([^']+)'"_s);
                    const Reply menu =
                        bus.call(item.service, item.path, u"org.freedesktop.DBus.Properties.Get"_s,
                                 {u"org.kde.StatusNotifierItem"_s, u"Menu"_s});
                    item.menuPath = objectPath.match(menu.text).captured(1);
                    found = item;
                    return true;
                }
                return false;
            },
            10000);
        return registered ? found : std::nullopt;
    }

    // As gdbus prints it, e.g. "(<'Brimvale'>,)".
    static QString itemProperty(SniBus &bus, const TrayItem &item, const QString &name)
    {
        return bus
            .call(item.service, item.path, u"org.freedesktop.DBus.Properties.Get"_s,
                  {u"org.kde.StatusNotifierItem"_s, name})
            .text;
    }

    static QList<MenuEntry> layout(SniBus &bus, const TrayItem &item)
    {
        const Reply reply =
            bus.call(item.service, item.menuPath, u"com.canonical.dbusmenu.GetLayout"_s,
                     {u"0"_s, u"-1"_s, u"@as []"_s});
        return reply.ok ? parseLayout(reply.text) : QList<MenuEntry>{};
    }

    // What a panel sends when the user picks an entry.
    static bool click(SniBus &bus, const TrayItem &item, int id)
    {
        return bus
            .call(item.service, item.menuPath, u"com.canonical.dbusmenu.Event"_s,
                  {QString::number(id), u"clicked"_s, u"<0>"_s, u"0"_s})
            .ok;
    }
};

QTEST_GUILESS_MAIN(TraySniEndToEndTest)
#include "tst_traysni_e2e.moc"
