#include "StatusIcon.h"

#include "Icons.h"
#include "Preferences.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QLocale>
#include <QSystemTrayIcon>
#include <QWidget>

#include <array>

namespace {

// 22 and 24 are what most panels ask for; 16, 32 and 48 fall on the drawing's grid.
constexpr std::array pixmapSizes{16, 22, 24, 32, 48, 64};

AppIconName iconName(bool privacyMode)
{
    return privacyMode ? AppIconName::BrimvalePrivate : AppIconName::Brimvale;
}

} // namespace

namespace AppIcon {

QString themeName(bool privacyMode)
{
    return ::themeName(iconName(privacyMode));
}

QIcon builtIn(bool privacyMode)
{
    return builtInIcon(iconName(privacyMode), pixmapSizes);
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
