#include "StatusIcon.h"

#include "Preferences.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <array>

// The drawings live in a static library; naming its resource keeps the linker
// from dropping it. Qt's resource macro must be used outside any namespace.
static void ensureAppIconResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(appicons);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace {

// 22 and 24 are what most panels ask for; 16, 32 and 48 fall on the drawing's grid.
constexpr std::array pixmapSizes{16, 22, 24, 32, 48, 64};

QPixmap render(QSvgRenderer &renderer, int logicalSize, qreal dpr)
{
    const int side = qRound(logicalSize * dpr);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    painter.end();
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

} // namespace

namespace AppIcon {

QString themeName(bool privacyMode)
{
    return privacyMode ? QStringLiteral("io.github.brimvale.Brimvale-private")
                       : QStringLiteral("io.github.brimvale.Brimvale");
}

QIcon builtIn(bool privacyMode)
{
    ensureAppIconResources();
    QSvgRenderer renderer(QStringLiteral(":/appicons/%1.svg").arg(themeName(privacyMode)));
    if (!renderer.isValid())
        return {};
    QIcon icon;
    for (const qreal dpr : {1.0, 2.0}) {
        for (const int size : pixmapSizes)
            icon.addPixmap(render(renderer, size, dpr));
    }
    return icon;
}

QIcon icon(bool privacyMode)
{
    const QString name = themeName(privacyMode);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return builtIn(privacyMode);
}

} // namespace AppIcon

StatusIcon::StatusIcon(Preferences &preferences, QObject *parent)
    : QObject(parent), m_preferences(preferences)
{
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference == Preference::PrivacyMode)
            update();
    });
    m_privacyMode = m_preferences.privacyMode();
    m_icon = AppIcon::icon(m_privacyMode);
}

StatusIcon::~StatusIcon() = default;

void StatusIcon::showOn(QSystemTrayIcon *tray)
{
    m_tray = tray;
    apply();
}

void StatusIcon::showOn(QWidget *window)
{
    m_windows.append(window);
    apply();
}

void StatusIcon::countItemsOf(const QList<QAbstractItemModel *> &lists)
{
    for (QAbstractItemModel *list : lists) {
        m_lists.append(list);
        for (const auto change :
             {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
            connect(list, change, this, &StatusIcon::recount);
        }
        connect(list, &QAbstractItemModel::modelReset, this, &StatusIcon::recount);
    }
    recount();
}

QString StatusIcon::toolTip() const
{
    const QString items = m_itemCount == 1
                              ? tr("Brimvale — 1 item")
                              : tr("Brimvale — %1 items").arg(QLocale().toString(m_itemCount));
    return m_privacyMode ? tr("%1 · Privacy Mode on").arg(items) : items;
}

void StatusIcon::recount()
{
    int count = 0;
    for (const QPointer<QAbstractItemModel> &list : std::as_const(m_lists)) {
        if (list)
            count += list->rowCount();
    }
    m_itemCount = count;
    if (m_tray)
        m_tray->setToolTip(toolTip());
}

void StatusIcon::update()
{
    const bool privacyMode = m_preferences.privacyMode();
    if (privacyMode == m_privacyMode)
        return;
    m_privacyMode = privacyMode;
    m_icon = AppIcon::icon(m_privacyMode);
    apply();
}

void StatusIcon::apply()
{
    if (m_tray) {
        m_tray->setIcon(m_icon);
        m_tray->setToolTip(toolTip());
    }
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        if (window)
            window->setWindowIcon(m_icon);
    }
}
