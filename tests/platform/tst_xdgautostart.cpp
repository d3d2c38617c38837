// The session's autostart entry as a file in a temporary config folder: the
// switch's two ways, a desktop's Hidden=true, a system-wide entry, and the first
// start's offer.
#include "MemoryPreferences.h"
#include "XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString program = u"brimvale"_s;

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class XdgAutostartTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(u"config/autostart/io.github.brimvale.Brimvale.desktop"_s);
        m_systemDir = m_dir->filePath(u"xdg/autostart"_s);
    }

    void cleanup() { m_dir.reset(); }

    void defaultPath_followsXdgConfigHome()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(u"cfg"_s).toLocal8Bit());
        const QString path = XdgAutostartEntry::defaultPath();
        if (saved.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(path, m_dir->filePath(u"cfg/autostart/io.github.brimvale.Brimvale.desktop"_s));
    }

    void switchedOn_writesAnEntryThatStartsWithoutThePanel_switchedOff_removesIt()
    {
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(!entry.isEnabled());
        QVERIFY(!entry.exists());

        QVERIFY(entry.setEnabled(true).ok());
        QVERIFY(entry.isEnabled());
        const QByteArray text = readFile(m_path);
        QVERIFY2(text.startsWith("[Desktop Entry]\n"), text.constData());
        QVERIFY2(text.contains("\nType=Application\n"), text.constData());
        QVERIFY2(text.contains("\nExec=brimvale --background\n"), text.constData());
        // Once the program is gone, the session skips the entry.
        QVERIFY2(text.contains("\nTryExec=brimvale\n"), text.constData());
        QVERIFY2(!text.contains("Hidden"), text.constData());
        QVERIFY(!entry.isOutdated());
        QProcess validate; // desktop-file-utils, as scripts/install-deps.sh installs it
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(u"desktop-file-validate"_s, {m_path});
        const bool validated = validate.waitForFinished(10000) && validate.exitCode() == 0;
        const QByteArray complaints = validate.readAll();
        QVERIFY2(validated && complaints.isEmpty(), complaints.constData());

        QVERIFY(entry.setEnabled(false).ok());
        QVERIFY(!QFileInfo::exists(m_path));
        QVERIFY(!entry.isEnabled());
    }

    // A desktop's own autostart settings switch an entry off without removing it.
    void hiddenTrue_readsAsOff_andSwitchingOnClearsIt_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("Hidden=true") << QByteArray("Hidden=true");
        QTest::newRow("GNOME's switch") << QByteArray("X-GNOME-Autostart-enabled=false");
    }

    void hiddenTrue_readsAsOff_andSwitchingOnClearsIt()
    {
        QFETCH(QByteArray, line);
        QVERIFY(writeFile(m_path, "[Desktop Entry]\nType=Application\nName=Brimvale\n"
                                  "Exec=brimvale --background\n" +
                                      line + "\n"));
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(entry.exists());
        QVERIFY(!entry.isEnabled());
        QVERIFY(entry.setEnabled(true).ok());
        QVERIFY(entry.isEnabled());
        QVERIFY(!readFile(m_path).contains(line));
    }

    void hiddenInAnotherGroup_orFalse_doesNotSwitchOff()
    {
        QVERIFY(writeFile(m_path, "[Desktop Entry]\nType=Application\nExec=brimvale\n"
                                  "Hidden=false\n[Desktop Action x]\nHidden=true\n"));
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(entry.isEnabled());
    }

    // An entry installed for every user counts until the user's own hides it.
    void systemEntry_countsUntilHidden_andIsHiddenNotRemoved()
    {
        const QString system = m_systemDir + u"/io.github.brimvale.Brimvale.desktop"_s;
        QVERIFY(writeFile(system, "[Desktop Entry]\nType=Application\nExec=brimvale\n"));
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(entry.isEnabled());
        QVERIFY(entry.setEnabled(false).ok());
        QVERIFY(!entry.isEnabled());
        QVERIFY(readFile(m_path).contains("\nHidden=true\n"));
        QVERIFY(QFileInfo::exists(system));
        QVERIFY(entry.setEnabled(true).ok());
        QVERIFY(entry.isEnabled());
    }

    void execLine_quotesAPathThatNeedsIt()
    {
        XdgAutostartEntry entry(m_path, {m_systemDir}, u"/opt/my apps/brimvale"_s);
        QVERIFY(entry.setEnabled(true).ok());
        const QByteArray text = readFile(m_path);
        QVERIFY2(text.contains("\nExec=\"/opt/my apps/brimvale\" --background\n"),
                 text.constData());
        QVERIFY2(text.contains("\nTryExec=/opt/my apps/brimvale\n"), text.constData());
    }

    void defaultCommand_startsInTheBackground()
    {
        QVERIFY(XdgAutostartEntry::defaultCommand().endsWith(u" --background"_s));
    }

    void unwritableFolder_isAnError()
    {
        QVERIFY(writeFile(m_dir->filePath(u"config/autostart"_s), "a file, not a folder"));
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        const StoreStatus status = entry.setEnabled(true);
        QVERIFY(!status.ok());
        QVERIFY2(status.error().contains(m_dir->filePath(u"config/autostart"_s)),
                 qPrintable(status.error()));
    }

    // A link in the entry's place is written through only to a file of the user's
    // own; otherwise the first start says why in one line and leaves it alone.
    void linkInTheEntrysPlace_isWrittenThroughOnlyToTheUsersOwnFile()
    {
        const QString target = m_dir->filePath(u"elsewhere/entry.desktop"_s);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
        QVERIFY(QFile::link(target, m_path));
        // Refused with one line that names the link; the link stays as it was.
        const auto refused = [this, &target](const StoreStatus &status, const char *why) {
            QVERIFY(!status.ok());
            QVERIFY2(status.error().contains(m_path) &&
                         status.error().contains(QLatin1StringView(why)) &&
                         !status.error().contains(u'\n'),
                     qPrintable(status.error()));
            QCOMPARE(QFileInfo(m_path).symLinkTarget(), target);
        };
        MemoryPreferences preferences;
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        refused(offerAutostartOnFirstStart(entry, preferences), "which is not a file");
        QVERIFY(!entry.isEnabled());
        QVERIFY(!QFileInfo::exists(target));

        QVERIFY(writeFile(target, "# the user's own\n"));
        QVERIFY(entry.setEnabled(true).ok());
        QCOMPARE(QFileInfo(m_path).symLinkTarget(), target);
        QVERIFY(readFile(target).contains("\nTryExec=brimvale\n"));

        QVERIFY(writeFile(target, "# another's\n"));
        if (::geteuid() != 0)
            QSKIP("a file of another user's is made only as root; the link to one is not tried");
        QCOMPARE(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
        refused(entry.setEnabled(true), "which is not yours");
        QCOMPARE(readFile(target), QByteArray("# another's\n"));
    }

    // The first start ever makes the entry; after that only the user changes it.
    void firstStart_makesTheEntry_laterStartsLeaveItToTheUser()
    {
        MemoryPreferences preferences;
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(offerAutostartOnFirstStart(entry, preferences).ok());
        QVERIFY(entry.isEnabled());
        QCOMPARE(preferences.storedValue(Preference::AutostartOffered), std::optional<bool>(true));

        QVERIFY(entry.setEnabled(false).ok());
        QVERIFY(offerAutostartOnFirstStart(entry, preferences).ok());
        QVERIFY(!QFileInfo::exists(m_path));
        QVERIFY(!entry.isEnabled());
    }

    // An entry of Brimvale 0.1 has no TryExec and outlives the program: it is
    // written again at the next start, while one switched off, or none, is not.
    void entryWithoutTryExec_isRenewed_onlyWhenSwitchedOn()
    {
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(renewOutdatedAutostart(entry).ok());
        QVERIFY(!entry.exists());

        const QByteArray earlier =
            "[Desktop Entry]\nType=Application\nName=Brimvale\nExec=brimvale --background\n";
        QVERIFY(writeFile(m_path, earlier + "Hidden=true\n"));
        QVERIFY(entry.isOutdated());
        QVERIFY(renewOutdatedAutostart(entry).ok());
        QCOMPARE(readFile(m_path), earlier + "Hidden=true\n");

        QVERIFY(writeFile(m_path, earlier));
        QVERIFY(renewOutdatedAutostart(entry).ok());
        QVERIFY(entry.isEnabled());
        QVERIFY(readFile(m_path).contains("\nTryExec=brimvale\n"));
    }

    void firstStart_leavesAnEntrySwitchedOffByTheDesktop()
    {
        QVERIFY(
            writeFile(m_path, "[Desktop Entry]\nType=Application\nExec=brimvale\nHidden=true\n"));
        MemoryPreferences preferences;
        XdgAutostartEntry entry(m_path, {m_systemDir}, program);
        QVERIFY(offerAutostartOnFirstStart(entry, preferences).ok());
        QVERIFY(!entry.isEnabled());
        QVERIFY(readFile(m_path).contains("Hidden=true"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QString m_systemDir;
};

QTEST_GUILESS_MAIN(XdgAutostartTest)
#include "tst_xdgautostart.moc"
