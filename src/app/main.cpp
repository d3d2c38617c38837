#include "AppLogging.h"
#include "DataLocation.h"
#include "InstanceLock.h"
#include "InstanceServer.h"
#include "Larkspan.h"
#include "Logging.h"
#include "SingleInstance.h"
#include "StopSignals.h"
#include "Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSystemTrayIcon>

#include <cstdio>
#include <optional>

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
    installSessionTranslations(&app);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("main", "Keeps a history of the texts you copy."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption showOption(
        QStringLiteral("show"), QApplication::translate("main", "Open the panel at launch."));
    parser.addOption(showOption);
    const QCommandLineOption toggleOption(
        QStringLiteral("toggle"),
        QApplication::translate("main", "Show the running Brimvale's panel, or hide it when it "
                                        "is shown; with none running, start with the panel open."));
    parser.addOption(toggleOption);
    const QCommandLineOption quitOption(
        QStringLiteral("quit"), QApplication::translate("main", "End the running Brimvale."));
    parser.addOption(quitOption);
    const QCommandLineOption backgroundOption(
        QStringLiteral("background"),
        QApplication::translate("main", "Start without opening the panel, even without a system "
                                        "tray; do nothing when Brimvale runs already."));
    parser.addOption(backgroundOption);
    parser.process(app);

    // Two running copies would record every copy twice; a later start hands its
    // request to the one that runs and leaves before it touches the history.
    std::optional<InstanceCommand> command = InstanceCommand::Show;
    if (parser.isSet(quitOption))
        command = InstanceCommand::Quit;
    else if (parser.isSet(toggleOption))
        command = InstanceCommand::Toggle;
    else if (parser.isSet(backgroundOption) && !parser.isSet(showOption))
        command = std::nullopt;
    SingleInstance instance(InstanceLock::defaultPath(), InstanceLock::fallbackPath(),
                            instanceSocketPath());
    switch (instance.claim(command)) {
    case SingleInstance::Outcome::Run:
        break;
    case SingleInstance::Outcome::Delivered:
        return 0;
    case SingleInstance::Outcome::NothingRunning:
        std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
        return 0;
    case SingleInstance::Outcome::NoAnswer:
        std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
        return 1;
    }
    InstanceServer server;
    for (const QString &problem : server.listen())
        qCWarning(lcApp, "%s", qPrintable(problem));

    LaunchOptions options;
    // Only the session's autostart starts silently; a start from the menu or a
    // terminal is the user asking for the panel.
    options.background =
        parser.isSet(backgroundOption) && !parser.isSet(showOption) && !parser.isSet(toggleOption);
    options.showPanel = !options.background;
    options.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    Larkspan larkspan(brimvaleStoreFile(), options);
    larkspan.setLateTrayProbe({.isAvailable = &QSystemTrayIcon::isSystemTrayAvailable});
    QObject::connect(&server, &InstanceServer::commandReceived, &larkspan, &Larkspan::obey);
    larkspan.launch();
    return QApplication::exec();
}
