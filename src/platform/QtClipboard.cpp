#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// Password managers (KeePassXC, KDE's) mark their copies this way so that
// clipboard histories leave them out.
const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");

} // namespace

QtClipboard::QtClipboard(QObject *parent)
    : Clipboard(parent), m_clipboard(QGuiApplication::clipboard()),
      m_trustChangeNotices(QGuiApplication::platformName() == QLatin1StringView("xcb"))
{
    connect(m_clipboard, &QClipboard::dataChanged, this, [this] {
        m_cacheValid = false;
        emit changed();
    });
}

std::optional<QString> QtClipboard::readText()
{
    if (m_cacheValid)
        return m_cachedText;
    const std::optional<QString> text = fetchText();
    remember(text);
    return text;
}

void QtClipboard::clear()
{
    m_clipboard->clear(QClipboard::Clipboard);
    remember(std::nullopt);
}

void QtClipboard::writeText(const QString &text)
{
    m_clipboard->clear(QClipboard::Clipboard);
    m_clipboard->setText(text, QClipboard::Clipboard);
    remember(text);
}

std::optional<QString> QtClipboard::fetchText() const
{
    const QMimeData *data = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    if (data->hasFormat(passwordManagerHint) && data->data(passwordManagerHint) == "secret")
        return std::nullopt;
    return data->text();
}

void QtClipboard::remember(const std::optional<QString> &text)
{
    m_cachedText = text;
    m_cacheValid = m_trustChangeNotices;
}
