#include "PlatformClipboard.h"

#include "Logging.h"
#include "QtClipboard.h"
#include "XcbClipboard.h"

#include <QGuiApplication>

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
