#include "DataLocation.h"
#include "InstanceLock.h"
#include "Larkspan.h"
#include "Logging.h"
#include "StopSignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSystemTrayIcon>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Before anything can have a word to say.
    installBrimvaleMessageHandler();
    QApplication app(argc, argv);
    const StopSignals stopSignals; // SIGTERM, SIGINT and SIGHUP quit as Quit does
    QApplication::setApplicationName(QStringLiteral("brimvale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brimvale"));
    QApplication::setApplicationVersion(QStringLiteral(BRIMVALE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.brimvale.Brimvale"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("main", "Keeps a history of the texts you copy."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption showOption(
        QStringLiteral("show"), QApplication::translate("main", "Open the panel at launch."));
    parser.addOption(showOption);
    parser.process(app);

    // Two running copies would record every copy twice; the second one leaves
    // before it touches the history.
    InstanceLock lock;
    if (!lock.tryLock()) {
        std::fputs("Brimvale is already running\n", stderr);
        return 1;
    }

    LaunchOptions options;
    options.showPanel = parser.isSet(showOption);
    options.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    Larkspan larkspan(brimvaleStoreFile(), options);
    larkspan.setLateTrayProbe({.isAvailable = &QSystemTrayIcon::isSystemTrayAvailable});
    larkspan.launch();
    return QApplication::exec();
}
