#include "Icons.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

#include <QList>

#include <array>

// The icons live in a static library; naming its resource keeps the linker from
// dropping it. Qt's resource macro must be used outside any namespace.
static void ensureIconResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace {

QString resourcePath(IconName name)
{
    switch (name) {
    case IconName::Globe:
        return QStringLiteral(":/icons/globe.svg");
    case IconName::CodeBrackets:
        return QStringLiteral(":/icons/code-brackets.svg");
    case IconName::Document:
        return QStringLiteral(":/icons/document.svg");
    case IconName::DocumentFilled:
        return QStringLiteral(":/icons/document-filled.svg");
    case IconName::LockClosed:
        return QStringLiteral(":/icons/lock-closed.svg");
    case IconName::LockOpen:
        return QStringLiteral(":/icons/lock-open.svg");
    case IconName::Dock:
        return QStringLiteral(":/icons/dock.svg");
    case IconName::RectangleSlash:
        return QStringLiteral(":/icons/rectangle-slash.svg");
    case IconName::Copy:
        return QStringLiteral(":/icons/copy.svg");
    case IconName::Trash:
        return QStringLiteral(":/icons/trash.svg");
    case IconName::Checkmark:
        return QStringLiteral(":/icons/checkmark.svg");
    case IconName::Power:
        return QStringLiteral(":/icons/power.svg");
    }
    return {};
}

// The SVGs are drawn in black on transparent; SourceIn keeps their coverage and
// replaces the colour, so one drawing serves every palette.
QPixmap tintedPixmap(QSvgRenderer &renderer, int logicalSize, qreal dpr, const QColor &color)
{
    const int side = qRound(logicalSize * dpr);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

QIcon renderIcon(IconName name, const QColor &color)
{
    ensureIconResources();
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid())
        return {};

    constexpr std::array logicalSizes{16, 20, 24, 32, 48, 64};
    QList<qreal> ratios{1.0, 2.0};
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        const qreal screenRatio = qGuiApp->devicePixelRatio();
        if (!ratios.contains(screenRatio))
            ratios.append(screenRatio);
    }

    QIcon icon;
    for (const qreal dpr : ratios) {
        for (const int size : logicalSizes)
            icon.addPixmap(tintedPixmap(renderer, size, dpr, color));
    }
    return icon;
}

} // namespace

QIcon themedIcon(IconName name, const QColor &color)
{
    // Views ask for the same few icons on every state change; keep what was drawn.
    static QHash<quint64, QIcon> cache;
    const quint64 key = (quint64(static_cast<int>(name)) << 32) | color.rgba();
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QIcon icon = renderIcon(name, color);
    cache.insert(key, icon);
    return icon;
}

QIcon themedIcon(IconName name)
{
    return themedIcon(name, QGuiApplication::palette().color(QPalette::Text));
}
