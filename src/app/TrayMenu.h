#pragma once

#include <QObject>

#include <memory>

class Preferences;
class QAction;
class QMenu;
class QWidget;

// The tray icon's context menu: "Show Brimvale" or "Hide Brimvale" as the panel
// is, "Privacy Mode" in step with the stored preference (and so with the panel's
// switch) both ways, and "Quit". Qt offers it to SNI hosts over dbusmenu and
// opens it on an XEmbed icon's right click.
class TrayMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayMenu)

public:
    TrayMenu(QWidget &panel, Preferences &preferences, QObject *parent = nullptr);
    ~TrayMenu() override;

    QMenu *menu() const { return m_menu.get(); }
    QAction *showHideAction() const { return m_showHide; }
    QAction *privacyAction() const { return m_privacy; }
    QAction *quitAction() const { return m_quit; }

signals:
    // Queued: the panel comes up once the menu has closed, so the menu's going
    // away is not the popup losing its focus.
    void showPanelRequested();
    void hidePanelRequested();
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPanelState();
    void showPrivacyState();

    QWidget &m_panel;
    Preferences &m_preferences;
    // A menu is a window of its own: no widget parent to own it.
    std::unique_ptr<QMenu> m_menu;
    QAction *m_showHide;
    QAction *m_privacy;
    QAction *m_quit;
};
