#pragma once

#include <QObject>
#include <QString>

#include <optional>

// The system clipboard as Brimvale uses it: plain text only.
class Clipboard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Clipboard)

public:
    // Whether changed() follows every change of the clipboard's text. Where it
    // does, polling finds nothing the notice has not brought already, and only
    // wakes the process for nothing.
    enum class ChangeNotices { Some, Every };

    explicit Clipboard(ChangeNotices notices, QObject *parent = nullptr)
        : QObject(parent), m_notices(notices)
    {
    }
    using QObject::QObject;
    ~Clipboard() override = default;

    bool announcesEveryChange() const { return m_notices == ChangeNotices::Every; }

    // The clipboard's plain text exactly as the owner gave it, or nullopt when it
    // holds none. A text a password manager marked as secret counts as none, so it
    // never reaches the history. Implementations may serve a remembered text while
    // they know the clipboard has not changed, since reading can be expensive.
    virtual std::optional<QString> readText() = 0;

    // Removes every content of every type.
    virtual void clear() = 0;

    // Clears, then offers exactly `text` as plain text.
    virtual void writeText(const QString &text) = 0;

    // Whether a mouse button is held down now, where the session lets us ask: a
    // text being selected with the mouse is not finished while one is. nullopt
    // where nobody can tell.
    virtual std::optional<bool> pointerButtonHeld() { return std::nullopt; }

signals:
    // The platform reported that the clipboard's contents changed. Not every
    // platform reports every change (see announcesEveryChange()); where one does
    // not, users must poll as well.
    void changed();

private:
    ChangeNotices m_notices = ChangeNotices::Some;
};
