#pragma once

#include "Clipboard.h"

class QClipboard;

// The system clipboard through Qt (QGuiApplication::clipboard()).
//
// Qt fetches the whole text from the owning application on every read, which for
// a large text costs tens of milliseconds on each poll. Where Qt reports every
// change (X11, through XFixes) the last text read is kept until a change is
// reported, and there is nothing to poll for; elsewhere every read goes to the
// clipboard.
class QtClipboard final : public Clipboard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtClipboard)

public:
    // Requires a QGuiApplication.
    explicit QtClipboard(QObject *parent = nullptr);

    std::optional<QString> readText() override;
    void clear() override;
    void writeText(const QString &text) override;

    // Whether reads are served from the remembered text between change notices.
    bool cachesReads() const { return announcesEveryChange(); }

private:
    std::optional<QString> fetchText() const;
    void remember(const std::optional<QString> &text);

    QClipboard *m_clipboard;
    bool m_cacheValid = false;
    std::optional<QString> m_cachedText;
};
