#include "SystemClipboard.h"

#include "DataControlConnection.h"
#include "Logging.h"
#include "PlatformClipboard.h"
#include "WaylandClipboard.h"

#include <QGuiApplication>

#include <atomic>

Q_LOGGING_CATEGORY(lcClipboardChoice, "brimvale.platform.clipboard", QtWarningMsg)

namespace {

std::atomic<ClipboardReach> chosenReach{ClipboardReach::Everything};

} // namespace

std::unique_ptr<Clipboard> createSystemClipboard()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        chosenReach = ClipboardReach::Everything;
        qCInfo(lcClipboardChoice, "clipboard: the %s platform's",
               qUtf8Printable(QGuiApplication::platformName()));
        return makePlatformClipboard();
    }
    auto opened = DataControlConnection::open();
    if (auto *connection = std::get_if<std::unique_ptr<DataControlConnection>>(&opened)) {
        chosenReach = ClipboardReach::Everything;
        auto clipboard = std::make_unique<WaylandClipboard>(std::move(*connection));
        qCInfo(lcClipboardChoice, "clipboard: Wayland data-control (%s)",
               clipboard->protocolName());
        return clipboard;
    }
    const auto &unavailable = std::get<DataControlUnavailable>(opened);
    qCInfo(lcClipboardChoice, "clipboard: the %s platform's",
           qUtf8Printable(QGuiApplication::platformName()));
    if (unavailable.noCompositor) {
        // A stale WAYLAND_DISPLAY in an X11 session, most likely: Qt sees it all.
        chosenReach = ClipboardReach::Everything;
        qCWarning(lcPlatform, "%s; using the X11 or Qt clipboard",
                  qUtf8Printable(unavailable.reason));
        return makePlatformClipboard();
    }
    chosenReach = ClipboardReach::OnlyWhileSeen;
    qCWarning(lcPlatform,
              "%s: on this desktop Brimvale records copies only while it can see them "
              "(while one of its windows has the focus)",
              qUtf8Printable(unavailable.reason));
    return makePlatformClipboard();
}

ClipboardReach systemClipboardReach()
{
    return chosenReach;
}
