#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Turns a clipboard text that arrives in pieces into a QString as it comes, so
// that a large text is never decoded in one long step. The result is exactly
// what decoding all the bytes at once gives (QString::fromUtf8 or fromLatin1),
// invalid UTF-8, NULs and a leading byte order mark's removal included. A URL
// list is kept whole and given as QMimeData gives it as text.
class ClipboardTextDecoder final
{
public:
    enum class Encoding { Utf8, Latin1, UriList };

    // `dropTrailingNul`: a single NUL at the very end is a C string's terminator
    // some owners send along, not part of the text.
    ClipboardTextDecoder(Encoding encoding, bool dropTrailingNul);

    // Makes room at once for a text of about `bytes` bytes, as an INCR owner
    // announces, rather than growing (and copying) it piece by piece.
    void expect(qsizetype bytes);
    void append(QByteArrayView bytes);
    // The whole text; the decoder is empty afterwards.
    QString finish();

private:
    void decode(QByteArrayView bytes);

    Encoding m_encoding;
    bool m_dropTrailingNul;
    // Bytes not decoded yet: the tail after the last safe place to cut, and
    // always the last byte seen, which may be the terminator.
    QByteArray m_pending;
    QString m_text;
    bool m_decodedAny = false;
};
