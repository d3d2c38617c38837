#pragma once

#include <QString>

#include <algorithm>

#include <sys/mman.h>

// A text of `size` units whose first `readable` units hold `fill` and whose rest
// is mapped without any access right, so that code that reads past the beginning
// of a huge text crashes the test instead of merely being slow. `readable` should
// be a multiple of the page size in units (2048).
class GuardedText final
{
public:
    GuardedText(qsizetype size, qsizetype readable, char16_t fill)
        : m_bytes(std::size_t(size) * sizeof(char16_t))
    {
        void *memory = mmap(nullptr, m_bytes, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (memory == MAP_FAILED)
            return;
        m_memory = static_cast<char16_t *>(memory);
        std::fill_n(m_memory, readable, fill);
        const std::size_t guardFrom = std::size_t(readable) * sizeof(char16_t);
        if (mprotect(static_cast<char *>(memory) + guardFrom, m_bytes - guardFrom, PROT_NONE) != 0)
            return;
        m_text = QString::fromRawData(reinterpret_cast<const QChar *>(m_memory), size);
    }
    ~GuardedText()
    {
        m_text = QString();
        if (m_memory)
            munmap(m_memory, m_bytes);
    }
    GuardedText(const GuardedText &) = delete;
    GuardedText &operator=(const GuardedText &) = delete;

    bool isValid() const { return !m_text.isNull(); }
    const QString &text() const { return m_text; }

private:
    std::size_t m_bytes;
    char16_t *m_memory = nullptr;
    QString m_text;
};
