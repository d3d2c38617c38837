#include "Icons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <algorithm>
#include <utility>

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

QString resourcePath(AppIconName name)
{
    return QStringLiteral(":/icons/%1.svg").arg(themeName(name));
}

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
    case IconName::Pin:
        return QStringLiteral(":/icons/pin.svg");
    case IconName::PinFilled:
        return QStringLiteral(":/icons/pin-filled.svg");
    case IconName::Checkmark:
        return QStringLiteral(":/icons/checkmark.svg");
    case IconName::Power:
        return QStringLiteral(":/icons/power.svg");
    }
    return {};
}

// `side` is in device pixels. Without a tint the drawing keeps its own colours.
QPixmap drawnPixmap(QSvgRenderer &renderer, int side, qreal dpr, const QColor &tint = {})
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    if (tint.isValid()) {
        // The glyphs are drawn in black on transparent; SourceIn keeps their
        // coverage and replaces the colour, so one drawing serves every palette.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), tint);
    }
    painter.end();
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

// Draws the icon at the size a view asks for, when it first asks: drawing every
// icon at every likely size up front held 2.8 MB of pixmaps nobody looked at.
class TintedSvgEngine final : public QIconEngine
{
public:
    TintedSvgEngine(QString path, const QColor &color) : m_path(std::move(path)), m_color(color) {}

    QIconEngine *clone() const override { return new TintedSvgEngine(m_path, m_color); }
    QString key() const override { return QStringLiteral("brimvale-tinted-svg"); }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size() * dpr, mode, state, dpr));
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels, as QIcon asks.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        const quint64 key = (quint64(side) << 8) | quint64(mode);
        if (const auto drawn = m_drawn.constFind(key); drawn != m_drawn.constEnd()) {
            QPixmap pixmap = *drawn;
            pixmap.setDevicePixelRatio(scale);
            return pixmap;
        }
        QSvgRenderer renderer(m_path);
        QPixmap pixmap = drawnPixmap(renderer, side, scale, m_color);
        // Greyed or highlighted as the style does it for any icon.
        if (mode != QIcon::Normal && qobject_cast<QApplication *>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
            pixmap.setDevicePixelRatio(scale);
        }
        m_drawn.insert(key, pixmap);
        return pixmap;
    }

private:
    const QString m_path;
    const QColor m_color;
    // By side in device pixels and mode: an icon is shown at one or two sizes.
    QHash<quint64, QPixmap> m_drawn;
};

QIcon renderIcon(IconName name, const QColor &color)
{
    ensureIconResources();
    const QString path = resourcePath(name);
    if (!QSvgRenderer(path).isValid())
        return {};
    return QIcon(new TintedSvgEngine(path, color));
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
    return themedIcon(name, QApplication::palette().color(QPalette::Text));
}

QString themeName(AppIconName name)
{
    switch (name) {
    case AppIconName::Brimvale:
        return QStringLiteral("io.github.brimvale.Brimvale");
    case AppIconName::BrimvalePrivate:
        return QStringLiteral("io.github.brimvale.Brimvale-private");
    }
    return {};
}

QIcon builtInIcon(AppIconName name, std::span<const int> sides)
{
    ensureIconResources();
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid())
        return {};
    QIcon icon;
    for (const qreal dpr : {1.0, 2.0}) {
        for (const int side : sides)
            icon.addPixmap(drawnPixmap(renderer, qRound(side * dpr), dpr));
    }
    return icon;
}
