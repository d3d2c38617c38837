#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class Preferences;
class QAbstractItemModel;
class QSystemTrayIcon;
class QWidget;

// Brimvale's own icon: a blue page on a light-rimmed tile, or a grey lock while
// Privacy Mode is on. The rim and the body contrast with each other, so one of
// them stands out on any panel, dark or light.
namespace AppIcon {

// The names under which the icons are installed in the hicolor theme.
QString themeName(bool privacyMode);
// From the icon theme by name, so SNI hosts are offered the name; drawn from the
// SVGs built into the program when no theme has it.
QIcon icon(bool privacyMode);
// Only the built-in drawing, as pixmaps for the sizes panels ask for, at 1x and 2x.
QIcon builtIn(bool privacyMode);

} // namespace AppIcon

// Keeps the tray icon and the panel window's icon in step with Privacy Mode, and
// the tray's tooltip with the number of items kept and Privacy Mode.
class StatusIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusIcon)

public:
    explicit StatusIcon(Preferences &preferences, QObject *parent = nullptr);
    ~StatusIcon() override;

    void showOn(QSystemTrayIcon *tray);
    void showOn(QWidget *window);
    // The items counted are the rows of `lists`, followed as they change.
    void countItemsOf(const QList<QAbstractItemModel *> &lists);
    bool showsPrivacyMode() const { return m_privacyMode; }
    QIcon icon() const { return m_icon; }
    QString toolTip() const;

private:
    void update();
    void recount();
    void apply();

    Preferences &m_preferences;
    QPointer<QSystemTrayIcon> m_tray;
    QList<QPointer<QWidget>> m_windows;
    QList<QPointer<QAbstractItemModel>> m_lists;
    QIcon m_icon;
    bool m_privacyMode = false;
    int m_itemCount = 0;
};
