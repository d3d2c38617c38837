#pragma once

#include "Clipboard.h"

// A clipboard held in memory, for tests: another application's copy is simulated
// with setText()/setSecret(), and the counters tell what the program did.
class MemoryClipboard final : public Clipboard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MemoryClipboard)

public:
    // `notices` says what the program may count on; changed() is emitted on every
    // change either way, and a test blocks signals to copy unannounced.
    explicit MemoryClipboard(ChangeNotices notices = ChangeNotices::Some,
                             QObject *parent = nullptr);

    std::optional<QString> readText() override;
    void clear() override;
    void writeText(const QString &text) override;

    // As if another application copied `text` (nullopt: something that is not
    // plain text). The new content is not marked secret. Emits changed().
    void setText(const std::optional<QString> &text);
    // Marks the current content as a password manager's secret. Emits changed().
    void setSecret(bool secret);

    // What the clipboard holds, ignoring the secret mark and counting no read.
    const std::optional<QString> &text() const { return m_text; }
    bool isSecret() const { return m_secret; }

    // Calls of readText(), clear() and writeText(); writeText() does not count as
    // a clear() although it empties the clipboard first.
    int readCount() const { return m_readCount; }
    int clearCount() const { return m_clearCount; }
    int writeCount() const { return m_writeCount; }
    void resetCounts();

private:
    std::optional<QString> m_text;
    bool m_secret = false;
    int m_readCount = 0;
    int m_clearCount = 0;
    int m_writeCount = 0;
};
