#include "MemoryClipboard.h"

MemoryClipboard::MemoryClipboard(ChangeNotices notices, QObject *parent)
    : Clipboard(notices, parent)
{
}

std::optional<QString> MemoryClipboard::readText()
{
    ++m_readCount;
    if (m_secret)
        return std::nullopt;
    return m_text;
}

void MemoryClipboard::clear()
{
    ++m_clearCount;
    m_text.reset();
    m_secret = false;
    emit changed();
}

void MemoryClipboard::writeText(const QString &text)
{
    ++m_writeCount;
    m_text = text;
    m_secret = false;
    emit changed();
}

void MemoryClipboard::setText(const std::optional<QString> &text)
{
    m_text = text;
    m_secret = false;
    emit changed();
}

void MemoryClipboard::setSecret(bool secret)
{
    m_secret = secret;
    emit changed();
}

void MemoryClipboard::resetCounts()
{
    m_readCount = 0;
    m_clearCount = 0;
    m_writeCount = 0;
}
