#include "PanelWindow.h"

#include "ConfirmationCard.h"
#include "ContentView.h"
#include "FileSaveDialog.h"
#include "IconLabel.h"
#include "PanelPlacement.h"
#include "PanelStyle.h"
#include "Preferences.h"
#include "StartAtLoginRow.h"
#include "ToggleSwitch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

constexpr int quitBottomPadding = 8;
constexpr int activationGraceMs = 1000;
constexpr int windowSizeSaveDelayMs = 500;
// Marks the labels that addNote() made.
constexpr const char *noteProperty = "brimvaleNote";

// Whether `window` is `panel` or one of the windows opened over it (the export
// dialog), so that moving into it is no reason to close the panel.
bool belongsToPanel(const QWidget *window, const QWidget *panel)
{
    for (const QWidget *widget = window; widget; widget = widget->parentWidget()) {
        if (widget == panel)
            return true;
    }
    return false;
}

} // namespace

PanelWindow::PanelWindow(ClipboardManager &manager, Preferences &preferences, ClipboardReach reach,
                         QWidget *parent)
    : QWidget(parent, Qt::Window), m_preferences(preferences),
      m_showInDock(preferences.showInDock()), m_saveDialog(std::make_unique<FileSaveDialog>(this)),
      m_content(new ContentView(manager, preferences, *m_saveDialog, reach, this)),
      m_dockLabel(new IconLabel(tr("Show in Dock"), this)), m_dockSwitch(new ToggleSwitch(this)),
      m_quitButton(new QPushButton(tr("Quit"), this)), m_activationGrace(new QTimer(this)),
      m_windowSizeSaver(new QTimer(this))
{
    setObjectName(QStringLiteral("panelWindow"));
    setWindowTitle(tr("Brimvale"));
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);

    m_dockLabel->setObjectName(QStringLiteral("dockLabel"));
    m_dockSwitch->setObjectName(QStringLiteral("dockSwitch"));
    m_dockSwitch->setAccessibleName(tr("Show in Dock"));
    auto *dockRow = new QHBoxLayout;
    dockRow->setContentsMargins(padding, 0, padding, 0);
    dockRow->addStretch();
    dockRow->addWidget(m_dockLabel);
    dockRow->addWidget(m_dockSwitch);
    dockRow->addStretch();

    m_quitButton->setObjectName(QStringLiteral("quitButton"));
    m_quitButton->setAutoDefault(false);
    auto *quitRow = new QHBoxLayout;
    quitRow->setContentsMargins(0, 0, 0, quitBottomPadding);
    quitRow->addStretch();
    quitRow->addWidget(m_quitButton);
    quitRow->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    layout->addWidget(PanelStyle::makeDivider(this));
    layout->addLayout(dockRow);
    layout->addWidget(PanelStyle::makeDivider(this));
    layout->addLayout(quitRow);

    // Last child, so it lies above everything else when shown.
    m_quitConfirmation =
        new ConfirmationCard({tr("Quit Brimvale?"), tr("Recording stops."), tr("Quit")},
                             QStringLiteral("quitConfirmation"), QStringLiteral("quitCancelButton"),
                             QStringLiteral("quitConfirmButton"), this);
    m_quitButton->installEventFilter(this);

    setTabOrder(m_content->lastFocusable(), m_dockSwitch);
    setTabOrder(m_dockSwitch, m_quitButton);

    m_dockSwitch->setChecked(m_showInDock);
    showDockState(m_showInDock);

    connect(m_dockSwitch, &ToggleSwitch::toggled, this, [this](bool on) {
        // Kept for the session even when it cannot be written.
        m_preferences.setShowInDock(on);
    });
    // The store tells every change, the switch's own included; the label and the
    // policy follow the stored value.
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference != Preference::ShowInDock)
            return;
        const bool value = m_preferences.showInDock();
        {
            const QSignalBlocker blocker(m_dockSwitch);
            m_dockSwitch->setChecked(value);
        }
        showDockState(value);
        if (value == m_showInDock)
            return;
        m_showInDock = value;
        emit showInDockChanged(value);
    });
    connect(m_quitButton, &QPushButton::clicked, this, &PanelWindow::quitRequested);
    connect(m_quitConfirmation, &ConfirmationCard::confirmed, this, &PanelWindow::quitRequested);
    // A row chosen with Return is on the clipboard: the popup gets out of the way
    // for the paste, as after Escape.
    connect(m_content, &ContentView::itemChosen, this, [this] {
        if (m_popup)
            hide();
    });
    // Widget activation alone misses a focus move after the popup's native window
    // was made anew; the focus window does not.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
        if (window && window == windowHandle())
            m_awaitingActivation = false;
        else
            checkFocusSoon();
    });
    m_activationGrace->setSingleShot(true);
    m_activationGrace->setInterval(activationGraceMs);
    connect(m_activationGrace, &QTimer::timeout, this, [this] {
        if (!m_awaitingActivation)
            return;
        m_awaitingActivation = false;
        checkFocusSoon();
    });
    m_windowSizeSaver->setSingleShot(true);
    m_windowSizeSaver->setInterval(windowSizeSaveDelayMs);
    connect(m_windowSizeSaver, &QTimer::timeout, this, &PanelWindow::saveWindowSize);
    applySizing();
}

PanelWindow::~PanelWindow()
{
    if (m_windowSizeSaver->isActive())
        saveWindowSize();
}

StartAtLoginRow *PanelWindow::addStartAtLogin(AutostartEntry &entry)
{
    auto *row = new StartAtLoginRow(entry, this);
    auto *column = qobject_cast<QVBoxLayout *>(layout());
    // After the content, its divider and the "Show in Dock" row.
    column->insertWidget(column->indexOf(m_content) + 3, row);
    setTabOrder(m_dockSwitch, row->toggleSwitch());
    setTabOrder(row->toggleSwitch(), m_quitButton);
    return row;
}

QLabel *PanelWindow::addNote(const QString &text)
{
    auto *note = new QLabel(text, this);
    note->setProperty(noteProperty, true);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
    note->setContentsMargins(padding, 0, padding, 0);
    auto *column = qobject_cast<QVBoxLayout *>(layout());
    // Below the content's divider, so that "the switch below" is true.
    column->insertWidget(column->indexOf(m_content) + 2, note);
    return note;
}

void PanelWindow::setPopup(bool popup)
{
    if (popup == m_popup)
        return;
    if (m_windowSizeSaver->isActive()) {
        m_windowSizeSaver->stop();
        saveWindowSize();
    }
    m_popup = popup;
    const bool wasVisible = isVisible();
    const QPoint position = pos();
    // The native window is made anew: the old one's loss of focus is not the user
    // leaving the panel. Focus moves count again once the new one has the focus,
    // or after a grace period, when where the focus is then decides.
    m_awaitingActivation = wasVisible;
    if (wasVisible)
        m_activationGrace->start();
    setWindowFlags(popup ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                         : Qt::Window);
    // A frameless popup gets a hairline border (see paintEvent).
    const int border = popup ? 1 : 0;
    setContentsMargins(border, border, border, border);
    applySizing();
    if (wasVisible) {
        move(position);
        show();
        raise();
        activateWindow();
    }
}

bool PanelWindow::event(QEvent *event)
{
    // The window manager moves or resizes a window when it frames it.
    if (m_fitWhenFramed && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        QTimer::singleShot(0, this, &PanelWindow::fitFramedWindow);
    if (event->type() == QEvent::WindowActivate)
        m_awaitingActivation = false;
    else if (event->type() == QEvent::WindowDeactivate)
        checkFocusSoon();
    return QWidget::event(event);
}

bool PanelWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_quitButton)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update(); // the ring around it
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    const auto *press = static_cast<QKeyEvent *>(event);
    switch (press->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The release of the Space that asked must not press the button after all.
        if (event->type() == QEvent::KeyPress && !press->isAutoRepeat())
            m_quitConfirmation->present();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

bool PanelWindow::focusNextPrevChild(bool next)
{
    if (next || !focusWidget())
        return QWidget::focusNextPrevChild(next);
    // Backwards from the first stop the chain wraps round to "Quit": stay.
    for (QWidget *widget = focusWidget()->previousInFocusChain(); widget != focusWidget();
         widget = widget->previousInFocusChain()) {
        const bool stop = (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
                          widget->isVisibleTo(this) && widget->isEnabled();
        if (stop)
            return widget == m_quitButton || QWidget::focusNextPrevChild(next);
    }
    return QWidget::focusNextPrevChild(next);
}

void PanelWindow::keyPressEvent(QKeyEvent *event)
{
    if (m_popup && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PanelWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    if (m_quitButton->hasFocus())
        PanelStyle::drawFocusRing(painter, this, m_quitButton);
    if (!m_popup)
        return;
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PanelWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_quitConfirmation->setGeometry(rect());
    // The size given on showing (no old size) is ours, not the user's.
    if (!m_popup && !m_applyingSize && isVisible() && event->oldSize().isValid() &&
        event->size() != m_framedFitSize)
        m_windowSizeSaver->start();
}

void PanelWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Asked once: a panel opened again starts without the question.
    m_quitConfirmation->cancel();
    if (m_windowSizeSaver->isActive()) {
        m_windowSizeSaver->stop();
        saveWindowSize();
    }
}

void PanelWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void PanelWindow::applySizing()
{
    const QScopedValueRollback applying(m_applyingSize, true);
    m_content->setListHeight(ContentView::listHeight);
    m_content->setResizable(!m_popup);
    if (m_popup) {
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        layout()->activate();
        adjustSize();
        return;
    }
    layout()->setSizeConstraint(QLayout::SetMinimumSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->activate();
    const QSize minimum = minimumSize();
    // At first as tall as the popup: the list at its usual height.
    const QSize usual(minimum.width(),
                      minimum.height() + ContentView::listHeight - ContentView::minimumListHeight);
    const QSize remembered(
        int(std::clamp<qint64>(m_preferences.number(Preference::WindowWidth), 0, QWIDGETSIZE_MAX)),
        int(std::clamp<qint64>(m_preferences.number(Preference::WindowHeight), 0,
                               QWIDGETSIZE_MAX)));
    resize(windowSizeWithin(remembered, usual, minimum, QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)));
}

void PanelWindow::fitInto(const QRect &available)
{
    const QScopedValueRollback applying(m_applyingSize, true);
    ensurePolished();
    // What the window manager adds around the window, once it has shown it.
    const QSize frame = frameGeometry().size() - size();
    const QSize room = available.size() - frame;
    // The notes are advice: where even the shortest panel would not fit with
    // them, they give way rather than "Quit" leaving the screen.
    showNotes(true);
    fitSize(room);
    if (height() > room.height() && showNotes(false))
        fitSize(room);
    m_fitArea = available;
    m_fitWhenFramed = !m_popup && frame.isNull();
    m_framedFitSize = {};
}

void PanelWindow::fitSize(const QSize &room)
{
    layout()->activate();
    if (m_popup) {
        m_content->setListHeight(ContentView::listHeight);
        layout()->activate();
        adjustSize();
        m_content->setListHeight(listHeightToFit(height(), ContentView::listHeight,
                                                 ContentView::minimumListHeight, room.height()));
        layout()->activate();
        adjustSize();
        return;
    }
    const QSize fitting = windowSizeWithin(size(), size(), minimumSize(), room);
    if (fitting != size())
        resize(fitting);
}

void PanelWindow::fitFramedWindow()
{
    if (!m_fitWhenFramed || m_popup || !isVisible())
        return;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame.isNull())
        return;
    m_fitWhenFramed = false;
    const QRect fitted = windowWithin(inner, frame, minimumSize(), m_fitArea);
    if (fitted == inner)
        return;
    m_framedFitSize = fitted.size();
    setGeometry(fitted);
}

bool PanelWindow::showNotes(bool show)
{
    bool any = false;
    for (QLabel *note : findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!note->property(noteProperty).toBool())
            continue;
        note->setVisible(show);
        any = true;
    }
    return any;
}

void PanelWindow::saveWindowSize()
{
    if (m_popup)
        return;
    // Kept for the session even when it cannot be written.
    const std::pair<Preference, int> sides[] = {{Preference::WindowWidth, width()},
                                                {Preference::WindowHeight, height()}};
    for (const auto &[preference, value] : sides) {
        if (m_preferences.number(preference) != value) {
            m_preferences.setNumber(preference, value);
        }
    }
}

void PanelWindow::showDockState(bool show)
{
    if (show)
        m_dockLabel->setIcon(IconName::Dock, PanelStyle::positiveGreen(palette()));
    else
        m_dockLabel->setIcon(IconName::RectangleSlash);
}

void PanelWindow::checkFocusSoon()
{
    // Activation moves on before the new active window is known everywhere;
    // decide once the event loop has settled it.
    if (m_popup && isVisible() && !m_awaitingActivation)
        QTimer::singleShot(0, this, &PanelWindow::hideIfFocusLeft);
}

void PanelWindow::hideIfFocusLeft()
{
    if (!m_popup || !isVisible() || m_awaitingActivation)
        return;
    if (isActiveWindow() || (windowHandle() && QGuiApplication::focusWindow() == windowHandle()))
        return;
    if (belongsToPanel(QApplication::activeWindow(), this))
        return;
    const auto dialogs = findChildren<QDialog *>();
    for (const QDialog *dialog : dialogs) {
        if (dialog->isVisible())
            return;
    }
    hide();
    emit dismissedByFocusLoss();
}
