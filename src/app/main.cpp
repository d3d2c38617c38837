#include "AppLogging.h"
#include "AppShell.h"
#include "DataLocation.h"
#include "HistoryCommands.h"
#include "InstanceLock.h"
#include "InstanceServer.h"
#include "Logging.h"
#include "SingleInstance.h"
#include "StopSignals.h"
#include "Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSystemTrayIcon>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

struct Options
{
    QCommandLineOption show{QStringLiteral("show"),
                            QCoreApplication::translate("main", "Open the panel at launch.")};
    QCommandLineOption toggle{
        QStringLiteral("toggle"),
        QCoreApplication::translate("main",
                                    "Show the running Brimvale's panel, or hide it when it "
                                    "is shown; with none running, start with the panel open.")};
    QCommandLineOption quit{QStringLiteral("quit"),
                            QCoreApplication::translate("main", "End the running Brimvale.")};
    QCommandLineOption background{
        QStringLiteral("background"),
        QCoreApplication::translate("main",
                                    "Start without opening the panel, even without a system "
                                    "tray; do nothing when Brimvale runs already.")};
    QCommandLineOption list{
        QStringLiteral("list"),
        QCoreApplication::translate("main",
                                    "Print the history, newest first, one item a line: its id, a "
                                    "tab, and the item as its row shows it. A category (url, "
                                    "code, text or all) after it prints only that list.")};
    QCommandLineOption null{
        QStringLiteral("null"),
        QCoreApplication::translate("main", "With --list, print each whole item, ended by a NUL "
                                            "character, instead of its row.")};
    QCommandLineOption print{
        QStringLiteral("print"),
        QCoreApplication::translate("main", "Print the whole item with the id <id>, as copied."),
        QCoreApplication::translate("main", "id")};
    QCommandLineOption copy{
        QStringLiteral("copy"),
        QCoreApplication::translate("main",
                                    "Put the item with the id <id> on the clipboard through the "
                                    "running Brimvale; - reads a line printed by --list from "
                                    "standard input."),
        QCoreApplication::translate("main", "id")};
    QCommandLineOption remove{
        QStringLiteral("delete"),
        QCoreApplication::translate(
            "main", "Delete the item with the id <id> (or - as for --copy) from the history."),
        QCoreApplication::translate("main", "id")};
};

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Keeps a history of the texts you copy."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QCommandLineOption &option :
         {options.show, options.toggle, options.quit, options.background, options.list,
          options.null, options.print, options.copy, options.remove})
        parser.addOption(option);
    parser.addPositionalArgument(
        QStringLiteral("category"),
        QCoreApplication::translate("main", "With --list: url, code, text or all (the default)."),
        QStringLiteral("[url|code|text|all]"));
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Read before any application object exists, untranslated: the commands that
// only print, or only hand a request to the running Brimvale, never open a window.
bool opensNoWindow(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options options;
    describe(parser, options);
    // Qt's own options (-platform) are not known here; the real parse decides.
    if (!parser.parse(arguments))
        return false;
    // --help-all lists Qt's GUI options only with the GUI there.
    for (const char *name : {"help", "version"}) {
        if (parser.isSet(QLatin1StringView(name)))
            return true;
    }
    for (const QCommandLineOption &option :
         {options.quit, options.list, options.print, options.copy, options.remove}) {
        if (parser.isSet(option))
            return true;
    }
    return false;
}

// Whether Qt's platform will find a display server to draw on; the GUI ends the
// program with an abort when it finds none, as from an SSH shell.
bool displayExpected(const QStringList &arguments)
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || arguments.contains(u"-platform"))
        return true;
    // offscreen, minimal, vnc and the like draw without one.
    const QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM");
    for (const QString &entry : platforms.split(u';', Qt::SkipEmptyParts)) {
        const QString name = entry.section(u':', 0, 0);
        if (!name.startsWith(u"xcb") && !name.startsWith(u"wayland"))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
#if defined(__GLIBC__)
    // A clipboard text read in INCR pieces grows by doubling, as its owner rarely
    // says how large it is. Once a large block has been freed, glibc's sliding
    // threshold lets a buffer of up to 32 MiB sit on the heap, where growing it
    // copies the whole text in one turn of the GUI thread (66 ms at 16 MiB); mapped
    // on its own it is moved by the kernel without a copy. The setting holds for
    // the whole process, so it is made here, before anything is allocated.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
    // A reader of our standard error that went away (a closed terminal, a log pipe
    // that died) must not end the program with its history unsaved: a write to it
    // fails instead. So must a socket's peer that left.
    std::signal(SIGPIPE, SIG_IGN);
    // Before anything can have a word to say.
    installBrimvaleMessageHandler();
    const QStringList arguments = argumentList(argc, argv);
    const bool canOpenWindows = !opensNoWindow(arguments) && displayExpected(arguments);
    const std::unique_ptr<QCoreApplication> app =
        canOpenWindows ? std::make_unique<QApplication>(argc, argv)
                       : std::make_unique<QCoreApplication>(argc, argv);
    const StopSignals stopSignals; // SIGTERM, SIGINT and SIGHUP quit as Quit does
    // Also the tray item's title, which Qt takes from the name.
    QCoreApplication::setApplicationName(QStringLiteral("Brimvale"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Brimvale"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRIMVALE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.brimvale.Brimvale"));
    installSessionTranslations(app.get());

    QCommandLineParser parser;
    const Options options;
    describe(parser, options);
    parser.process(*app);

    // Read from the store itself: they need no running Brimvale, and leave the
    // one that runs alone.
    if (parser.isSet(options.list))
        return listHistory(brimvaleStoreFile(), parser.positionalArguments().value(0),
                           parser.isSet(options.null), stdout, stderr);
    if (parser.isSet(options.print))
        return printItem(brimvaleStoreFile(), parser.value(options.print), stdout, stderr);

    // Two running copies would record every copy twice; a later start hands its
    // request to the one that runs and leaves before it touches the history.
    std::optional<InstanceCommand> command = InstanceCommand::Show;
    if (parser.isSet(options.quit))
        command = InstanceCommand::Quit;
    else if (parser.isSet(options.toggle))
        command = InstanceCommand::Toggle;
    else if (parser.isSet(options.background) && !parser.isSet(options.show))
        command = std::nullopt;
    std::optional<InstanceRequest> request;
    if (command)
        request = *command;
    for (const auto &[option, itemCommand] :
         {std::pair{&options.copy, InstanceCommand::Copy},
          std::pair{&options.remove, InstanceCommand::Delete}}) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<qint64> id = itemIdArgument(parser.value(*option), stdin, stderr);
        if (!id)
            return 1;
        request = InstanceRequest(itemCommand, *id);
    }
    SingleInstance instance(InstanceLock::defaultPath(), InstanceLock::fallbackPath(),
                            InstanceLock::storeLockPath(brimvaleStoreFile()),
                            {instanceSocketPath(), instanceFallbackSocketPath()});
    switch (instance.claim(request)) {
    case SingleInstance::Outcome::Run:
        break;
    case SingleInstance::Outcome::Delivered:
        return 0;
    case SingleInstance::Outcome::NothingRunning:
        std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
        // Nothing to end is no failure; an item left uncopied is.
        return request && takesItem(request->command) ? 1 : 0;
    case SingleInstance::Outcome::NoSuchItem:
    case SingleInstance::Outcome::NoAnswer:
    case SingleInstance::Outcome::StoreInUse:
        std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
        return 1;
    }
    if (!canOpenWindows) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(QCoreApplication::translate(
                         "main", "Brimvale is not running, and it cannot start here: no display "
                                 "is available (DISPLAY and WAYLAND_DISPLAY are not set).")));
        return 1;
    }
    InstanceServer server;
    for (const QString &problem : server.listen())
        qCWarning(lcApp, "%s", qPrintable(problem));

    LaunchOptions launchOptions;
    // Only the session's autostart starts silently; a start from the menu or a
    // terminal is the user asking for the panel.
    launchOptions.background = parser.isSet(options.background) && !parser.isSet(options.show) &&
                               !parser.isSet(options.toggle);
    launchOptions.showPanel = !launchOptions.background;
    launchOptions.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    AppShell shell(brimvaleStoreFile(), launchOptions);
    shell.setLateTrayProbe({.isAvailable = &QSystemTrayIcon::isSystemTrayAvailable});
    QObject::connect(&server, &InstanceServer::commandReceived, &shell, &AppShell::obey);
    server.setItemHandler([&shell](const InstanceRequest &item) { return shell.actOnItem(item); });
    shell.launch();
    return QApplication::exec();
}
