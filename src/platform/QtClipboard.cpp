#include "QtClipboard.h"

#include "ClipboardTextPolicy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// On X11 Qt learns of every new owner through XFixes. On Wayland a client that
// is not a clipboard manager hears of a new selection only while one of its
// windows has the focus, which the panel mostly has not.
bool qtReportsEveryChange()
{
    return QGuiApplication::platformName() == QLatin1StringView("xcb");
}

} // namespace

QtClipboard::QtClipboard(QObject *parent)
    : Clipboard(qtReportsEveryChange() ? ChangeNotices::Every : ChangeNotices::Some, parent),
      m_clipboard(QGuiApplication::clipboard())
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
    if (!data)
        return std::nullopt;
    // The formats as Qt names them: on X11 it lists the X string types as
    // text/plain and hands their text over as UTF-8.
    const QStringList formats = data->formats();
    QList<QByteArray> offered;
    offered.reserve(formats.size());
    for (const QString &format : formats)
        offered.append(format.toUtf8());
    const QList<ClipboardTextPolicy::TextType> textTypes = ClipboardTextPolicy::textTypes(offered);
    if (textTypes.isEmpty())
        return std::nullopt;
    if (const std::optional<qsizetype> hint = ClipboardTextPolicy::hintType(offered)) {
        if (ClipboardTextPolicy::hintSaysSecret(data->data(formats.at(*hint))))
            return std::nullopt;
    }
    const ClipboardTextPolicy::TextType &best = textTypes.first();
    return ClipboardTextPolicy::decode(data->data(formats.at(best.offeredAt)), best.encoding);
}

void QtClipboard::remember(const std::optional<QString> &text)
{
    m_cachedText = text;
    m_cacheValid = announcesEveryChange();
}
