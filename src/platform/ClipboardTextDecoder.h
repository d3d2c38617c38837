#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Turns a clipboard text that arrives in pieces into a QString as it comes, so
// that a large text is never decoded in one long step. The result is exactly
// what decoding all the bytes at once gives (QString::fromUtf8 or fromLatin1),
// invalid UTF-8 replaced, NULs inside kept and a leading byte order mark dropped.
// NULs at the very end are dropped, all of them: some owners send a C string's
// terminator along, or pad the text, and no one copies them on purpose. A URL
// list is kept whole and given as QMimeData gives it as text.
class ClipboardTextDecoder final
{
public:
    enum class Encoding { Utf8, Latin1, UriList };

    explicit ClipboardTextDecoder(Encoding encoding);

    // Makes room at once for a text of about `bytes` bytes, as an INCR owner
    // announces, rather than growing (and copying) it piece by piece.
    void expect(qsizetype bytes);
    void append(QByteArrayView bytes);
    // The whole text; the decoder is empty afterwards.
    QString finish();

private:
    void decode(QByteArrayView bytes);

    Encoding m_encoding;
    // Bytes not decoded yet: the tail after the last safe place to cut, and
    // always the NULs at the end so far, which may be the end of the text.
    QByteArray m_pending;
    qsizetype m_trailingNuls = 0;
    QString m_text;
    bool m_decodedAny = false;
};
