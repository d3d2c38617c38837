#include "SystemClipboard.h"

#include "DataControlConnection.h"
#include "Logging.h"
#include "QtClipboard.h"
#include "WaylandClipboard.h"
#include "XcbClipboard.h"

#include <QGuiApplication>

Q_LOGGING_CATEGORY(lcClipboardChoice, "brimvale.platform.clipboard", QtWarningMsg)

namespace {

// The clipboard of the platform Qt runs on: on X11 read on a connection of our
// own, elsewhere through Qt.
std::unique_ptr<Clipboard> makePlatformClipboard()
{
    if (QGuiApplication::platformName() == QLatin1StringView("xcb")) {
        auto opened = XcbClipboard::open();
        if (auto *clipboard = std::get_if<std::unique_ptr<XcbClipboard>>(&opened))
            return std::move(*clipboard);
        // Qt's own reading still works, it only waits for slow owners.
        qCWarning(lcPlatform, "reading the clipboard through Qt: %s",
                  qUtf8Printable(std::get<QString>(opened)));
    }
    return std::make_unique<QtClipboard>();
}

// Without data-control, XWayland is the way in: mutter hands every new Wayland
// selection to the X server whichever window has the focus, so an X11 reader of
// our own sees every copy even while Qt runs on the wayland platform. wlroots
// gives X11 the clipboard only while an X11 window has the focus, but it offers
// data-control and never gets here.
std::unique_ptr<Clipboard> openXWaylandClipboard(const DataControlUnavailable &unavailable)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    auto opened = XcbClipboard::open();
    if (auto *why = std::get_if<QString>(&opened)) {
        qCInfo(lcClipboardChoice, "clipboard: not XWayland's: %s", qUtf8Printable(*why));
        return nullptr;
    }
    qCInfo(lcClipboardChoice, "clipboard: X11 through XWayland (%s)",
           qUtf8Printable(unavailable.reason));
    return std::move(std::get<std::unique_ptr<XcbClipboard>>(opened));
}

} // namespace

SystemClipboard createSystemClipboard()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qCInfo(lcClipboardChoice, "clipboard: the %s platform's",
               qUtf8Printable(QGuiApplication::platformName()));
        return {makePlatformClipboard()};
    }
    auto opened = DataControlConnection::open();
    if (auto *connection = std::get_if<std::unique_ptr<DataControlConnection>>(&opened)) {
        auto clipboard = std::make_unique<WaylandClipboard>(std::move(*connection));
        qCInfo(lcClipboardChoice, "clipboard: Wayland data-control (%s)",
               clipboard->protocolName());
        return {std::move(clipboard)};
    }
    const auto &unavailable = std::get<DataControlUnavailable>(opened);
    if (!unavailable.noCompositor) {
        if (auto x11 = openXWaylandClipboard(unavailable))
            return {std::move(x11)};
    }
    qCInfo(lcClipboardChoice, "clipboard: the %s platform's",
           qUtf8Printable(QGuiApplication::platformName()));
    if (unavailable.noCompositor) {
        // A stale WAYLAND_DISPLAY in an X11 session, most likely: Qt sees it all.
        qCWarning(lcPlatform, "%s; using the X11 or Qt clipboard",
                  qUtf8Printable(unavailable.reason));
        return {makePlatformClipboard()};
    }
    qCWarning(lcPlatform,
              "%s: on this desktop Brimvale records copies only while it can see them "
              "(while one of its windows has the focus)",
              qUtf8Printable(unavailable.reason));
    return {makePlatformClipboard(), ClipboardReach::OnlyWhileSeen};
}
