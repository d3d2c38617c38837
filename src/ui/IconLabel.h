#pragma once

#include "Icons.h"

#include <QWidget>

#include <optional>

class QLabel;

// A small icon followed by a text, both drawn in one colour.
class IconLabel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IconLabel)

public:
    explicit IconLabel(const QString &text, QWidget *parent = nullptr);

    // No colour: the palette's text colour, followed when the palette changes.
    void setIcon(IconName name, const std::optional<QColor> &color = std::nullopt);

    IconName iconName() const { return m_icon; }
    QColor color() const;
    QString text() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void render();

    QLabel *m_iconLabel;
    QLabel *m_textLabel;
    IconName m_icon = IconName::Document;
    std::optional<QColor> m_color;
};
