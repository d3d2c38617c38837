#pragma once

#include "SystemClipboard.h"

#include <QWidget>

#include <memory>

class AutostartEntry;
class ClipboardManager;
class ConfirmationCard;
class ContentView;
class FileSaveDialog;
class IconLabel;
class Preferences;
class QLabel;
class QPushButton;
class QTimer;
class StartAtLoginRow;
class ToggleSwitch;

// The panel opened from the tray: the main content view, the "Show in Dock"
// switch and "Quit". It is either an ordinary window with a task-bar entry, or a
// popup without one that closes on Escape and when it loses focus.
//
// "Quit" is the last stop of Tab and is not reached backwards from the first.
// Clicked, it quits; pressed with Space or Return, it asks first, since a key
// meant for another control must not end recording.
class PanelWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelWindow)

public:
    PanelWindow(ClipboardManager &manager, Preferences &preferences,
                ClipboardReach reach = ClipboardReach::Everything, QWidget *parent = nullptr);
    ~PanelWindow() override;

    ContentView &contentView() const { return *m_content; }

    // Switches between the popup and the ordinary window; a shown panel stays shown.
    // The popup has its fixed size; the window can be resized, and opens at the
    // size it had last.
    void setPopup(bool popup);
    bool isPopup() const { return m_popup; }
    // Adds the "Start at Login" row below "Show in Dock".
    StartAtLoginRow *addStartAtLogin(AutostartEntry &entry);
    // A line of advice above the switches, there until it is deleted.
    QLabel *addNote(const QString &text);

    // Makes the panel fit `available` (a screen's available geometry): the popup's
    // list gives up height first, the window is made no larger. A window the
    // window manager has not framed yet is fitted again, frame and all, once it has.
    void fitInto(const QRect &available);

signals:
    // The user flipped "Show in Dock"; the new value is stored already.
    void showInDockChanged(bool show);
    // The popup closed by itself because it lost focus.
    void dismissedByFocusLoss();
    // The user closed the window (its close button, the window manager).
    void closed();
    void quitRequested();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void applySizing();
    void fitSize(const QSize &room);
    // Shows or hides the notes; false when there are none.
    bool showNotes(bool show);
    // The window's size as the user left it, for the next time.
    void saveWindowSize();
    void showDockState(bool show);
    void fitFramedWindow();
    void checkFocusSoon();
    void hideIfFocusLeft();

    Preferences &m_preferences;
    // The window's own state comes before its children: making a child sends the
    // window events, which event() reads this state for.
    bool m_applyingSize = false;
    // Where the window was last fitted, and whether its frame was unknown then.
    QRect m_fitArea;
    bool m_fitWhenFramed = false;
    // The size given to fit the frame in: the screen's choice, not the user's.
    QSize m_framedFitSize;
    bool m_showInDock;
    bool m_popup = false;
    // Changing between popup and window makes a new native window; the old one's
    // loss of focus is not the user leaving the panel.
    bool m_awaitingActivation = false;
    std::unique_ptr<FileSaveDialog> m_saveDialog;
    ContentView *m_content;
    IconLabel *m_dockLabel;
    ToggleSwitch *m_dockSwitch;
    QPushButton *m_quitButton;
    ConfirmationCard *m_quitConfirmation;
    QTimer *m_activationGrace;
    // A drag resizes many times; the size is stored once it rests.
    QTimer *m_windowSizeSaver;
};
