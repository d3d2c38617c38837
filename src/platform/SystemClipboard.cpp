#include "SystemClipboard.h"

#include "DataControlConnection.h"
#include "Logging.h"
#include "QtClipboard.h"
#include "WaylandClipboard.h"
#include "XcbClipboard.h"

#include <QGuiApplication>

Q_LOGGING_CATEGORY(lcClipboardChoice, "brimvale.platform.clipboard", QtWarningMsg)

namespace {

// How the mouse selection is read where the clipboard was chosen as it was.
enum class SelectionWay { X11, DataControl, None };

class SystemSelectionSource final : public SelectionSource
{
public:
    explicit SystemSelectionSource(SelectionWay way, QString whyNot = {})
        : m_way(way), m_whyNot(std::move(whyNot))
    {
    }

    QString unavailableReason() const override { return m_whyNot; }

    std::unique_ptr<Clipboard> open() override
    {
        QString why;
        if (m_way == SelectionWay::X11) {
            auto opened = XcbClipboard::open(nullptr, XcbClipboard::Selection::Primary);
            if (auto *reader = std::get_if<std::unique_ptr<XcbClipboard>>(&opened))
                return std::move(*reader);
            why = std::get<QString>(opened);
        } else if (m_way == SelectionWay::DataControl) {
            auto opened = DataControlConnection::open(DataControlConnection::Selection::Primary);
            if (auto *connection = std::get_if<std::unique_ptr<DataControlConnection>>(&opened))
                return std::make_unique<WaylandClipboard>(
                    std::move(*connection), DataControlConnection::Selection::Primary);
            why = std::get<DataControlUnavailable>(opened).reason;
        } else {
            why = m_whyNot;
        }
        // The switch is on and does nothing: the user should hear why.
        qCWarning(lcPlatform, "%s",
                  qUtf8Printable(QCoreApplication::translate("SystemClipboard",
                                                             "selected text is not recorded: %1")
                                     .arg(why)));
        return nullptr;
    }

private:
    SelectionWay m_way;
    QString m_whyNot;
};

std::unique_ptr<SelectionSource> selectionRead(SelectionWay way, QString whyNot = {})
{
    return std::make_unique<SystemSelectionSource>(way, std::move(whyNot));
}

// The clipboard of the platform Qt runs on: on X11 read on a connection of our
// own, elsewhere through Qt, which reads the selection only while one of our
// windows has the focus, or not at all: a switch that recorded through it would
// mostly do nothing.
SystemClipboard platformClipboard(ClipboardReach reach)
{
    if (QGuiApplication::platformName() == QLatin1StringView("xcb")) {
        auto opened = XcbClipboard::open();
        if (auto *clipboard = std::get_if<std::unique_ptr<XcbClipboard>>(&opened))
            return {std::move(*clipboard), reach, selectionRead(SelectionWay::X11)};
        // Qt's own reading still works, it only waits for slow owners.
        qCWarning(lcPlatform, "reading the clipboard through Qt: %s",
                  qUtf8Printable(std::get<QString>(opened)));
    }
    return {std::make_unique<QtClipboard>(), reach,
            selectionRead(SelectionWay::None,
                          QStringLiteral("the clipboard is read through Qt, which cannot follow "
                                         "the selected text"))};
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
        return platformClipboard(ClipboardReach::Everything);
    }
    auto opened = DataControlConnection::open();
    if (auto *connection = std::get_if<std::unique_ptr<DataControlConnection>>(&opened)) {
        auto selection =
            (*connection)->offersPrimarySelection()
                ? selectionRead(SelectionWay::DataControl)
                : selectionRead(SelectionWay::None, QStringLiteral("the Wayland compositor's "
                                                                   "data-control offers no primary "
                                                                   "selection"));
        auto clipboard = std::make_unique<WaylandClipboard>(std::move(*connection));
        qCInfo(lcClipboardChoice, "clipboard: Wayland data-control (%s)",
               clipboard->protocolName());
        return {std::move(clipboard), ClipboardReach::Everything, std::move(selection)};
    }
    const auto &unavailable = std::get<DataControlUnavailable>(opened);
    if (!unavailable.noCompositor) {
        if (auto x11 = openXWaylandClipboard(unavailable))
            return {std::move(x11), ClipboardReach::Everything, selectionRead(SelectionWay::X11)};
    }
    qCInfo(lcClipboardChoice, "clipboard: the %s platform's",
           qUtf8Printable(QGuiApplication::platformName()));
    if (unavailable.noCompositor) {
        // A stale WAYLAND_DISPLAY in an X11 session, most likely: Qt sees it all.
        qCWarning(lcPlatform, "%s; using the X11 or Qt clipboard",
                  qUtf8Printable(unavailable.reason));
        return platformClipboard(ClipboardReach::Everything);
    }
    qCWarning(lcPlatform,
              "%s: on this desktop Brimvale records copies only while it can see them "
              "(while one of its windows has the focus)",
              qUtf8Printable(unavailable.reason));
    return platformClipboard(ClipboardReach::OnlyWhileSeen);
}
