#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <vector>

class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;
class QPushButton;

// Asks before something that cannot be undone. It is a layer over its parent
// view: a dimmed backdrop that swallows every click, and a card with a title, a
// message, "Cancel" and the action's button. While it is shown the keyboard stays
// on the card: Tab goes round its buttons, the focused one is ringed, and Return
// presses that one only.
class ConfirmationCard : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfirmationCard)

public:
    static constexpr int fadeDurationMs = 250;

    struct Texts
    {
        QString title;
        QString message;
        QString action;
    };

    // The layer is named `name`, the card `name` + "Card"; the buttons
    // `cancelName` and `actionName`.
    ConfirmationCard(const Texts &texts, const QString &name, const QString &cancelName,
                     const QString &actionName, QWidget *parent);

    // Shows at once, over the whole parent, with the focus on "Cancel".
    void present();
    // True from present() until a button or Escape dismisses it; the fade that
    // follows does not count.
    bool isPresented() const { return m_presented; }
    // Dismisses the card as "Cancel" does.
    void cancel();

signals:
    // The user pressed the action's button; the card fades out next.
    void confirmed();

protected:
    // Each time before it is shown.
    virtual void aboutToPresent() {}
    // A line under the message, none when empty.
    void setNote(const QString &note);

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Tab and Shift+Tab go round the card's two buttons while it is shown.
    bool focusNextPrevChild(bool next) override;

private:
    void confirm();
    void fadeOut();
    void finishFade();
    void keepFocusAboveParent(bool above);

    QWidget *m_card;
    QPushButton *m_cancelButton;
    QPushButton *m_actionButton;
    QLabel *m_note;
    QGraphicsOpacityEffect *m_opacity;
    QPropertyAnimation *m_fade;
    // What the layer looked like when the fade began; the fade draws this picture
    // instead of the card, whose own shadow effect cannot nest inside the fade's.
    QPixmap m_snapshot;
    bool m_presented = false;
    QPointer<QWidget> m_focusBefore;

    // Focus policies of the parent's controls, taken away while the card shows so
    // that Tab cannot reach what the backdrop covers.
    struct SavedFocus
    {
        QPointer<QWidget> widget;
        Qt::FocusPolicy policy;
    };
    std::vector<SavedFocus> m_savedFocus;
};
