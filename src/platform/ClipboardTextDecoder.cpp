#include "ClipboardTextDecoder.h"

#include <QMimeData>

namespace {

qsizetype countTrailingNuls(QByteArrayView bytes)
{
    qsizetype count = 0;
    while (count < bytes.size() && bytes.at(bytes.size() - 1 - count) == '\0')
        ++count;
    return count;
}

} // namespace

ClipboardTextDecoder::ClipboardTextDecoder(Encoding encoding) : m_encoding(encoding) {}

void ClipboardTextDecoder::expect(qsizetype bytes)
{
    // The owner's word only; room for more than this is left to growing.
    constexpr qsizetype atMost = qsizetype(256) * 1024 * 1024;
    if (m_encoding != Encoding::UriList)
        m_text.reserve(std::min(bytes, atMost));
}

void ClipboardTextDecoder::append(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    // Earlier bytes held back offered no place to cut, except among their NULs.
    const qsizetype searchFrom = m_pending.size() - m_trailingNuls;
    const qsizetype newNuls = countTrailingNuls(bytes);
    m_trailingNuls = newNuls == bytes.size() ? m_trailingNuls + newNuls : newNuls;
    m_pending.append(bytes);
    if (m_encoding == Encoding::UriList)
        return;
    const qsizetype kept = m_pending.size() - m_trailingNuls;
    // Cut right after an ASCII byte: no UTF-8 sequence spans it, so decoding the
    // two sides apart gives what decoding them together would, even around
    // invalid bytes. Latin-1 may be cut anywhere.
    qsizetype cut = -1;
    if (m_encoding == Encoding::Latin1) {
        cut = kept;
    } else {
        for (qsizetype i = kept - 1; i >= searchFrom; --i) {
            if (static_cast<unsigned char>(m_pending.at(i)) < 0x80) {
                cut = i + 1;
                break;
            }
        }
    }
    if (cut <= 0)
        return;
    decode(QByteArrayView(m_pending).first(cut));
    m_pending.remove(0, cut);
}

QString ClipboardTextDecoder::finish()
{
    m_pending.chop(m_trailingNuls);
    m_trailingNuls = 0;
    if (m_encoding == Encoding::UriList) {
        QMimeData urls;
        urls.setData(QStringLiteral("text/uri-list"), m_pending);
        m_pending.clear();
        return urls.text();
    }
    decode(m_pending);
    m_pending.clear();
    QString text = std::move(m_text);
    m_text = QString();
    return text;
}

void ClipboardTextDecoder::decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_encoding == Encoding::Latin1) {
        m_text.append(QString::fromLatin1(bytes));
    } else if (!m_decodedAny) {
        // Appended rather than assigned, so the room expect() reserved is kept
        // and a large text is never copied over as it grows.
        m_text.append(QStringView(QString::fromUtf8(bytes)));
    } else {
        // fromUtf8 drops a byte order mark at the start of what it is given; only
        // the start of the whole text may lose one. An ASCII byte in front keeps
        // it and changes nothing else, as the cut came after an ASCII byte too.
        QByteArray guarded;
        guarded.reserve(bytes.size() + 1);
        guarded.append('a').append(bytes);
        m_text.append(QStringView(QString::fromUtf8(guarded)).sliced(1));
    }
    m_decodedAny = true;
}
