#include "ClipboardTextPolicy.h"

namespace ClipboardTextPolicy {

namespace {

using Encoding = ClipboardTextDecoder::Encoding;

struct Accepted
{
    QByteArrayView name;
    Encoding encoding;
};

// In order of preference. The UTF-8 types come first: STRING and TEXT cannot
// hold most of the world's text. UTF8_STRING, which nearly every owner offers,
// leads them, so that an X11 reader can ask for it before it knows the targets.
constexpr Accepted acceptedText[] = {
    {"utf8_string", Encoding::Utf8}, {"text/plain;charset=utf-8", Encoding::Utf8},
    {"text/plain", Encoding::Utf8},  {"string", Encoding::Latin1},
    {"text", Encoding::Latin1},
};
constexpr Accepted acceptedUrls{"text/uri-list", Encoding::UriList};

// "Text/Plain ; Charset=UTF-8" and "text/plain;charset=utf-8" name one type.
QByteArray normalized(const QByteArray &type)
{
    QByteArray result = type.trimmed().toLower();
    qsizetype at = result.indexOf(';');
    while (at >= 0) {
        qsizetype before = at;
        while (before > 0 && result.at(before - 1) == ' ')
            --before;
        qsizetype after = at + 1;
        while (after < result.size() && result.at(after) == ' ')
            ++after;
        result.replace(before, after - before, ";");
        at = result.indexOf(';', before + 1);
    }
    return result;
}

void appendOffered(QList<TextType> &found, const QList<QByteArray> &normalizedOffered,
                   const QList<QByteArray> &offered, const Accepted &accepted)
{
    for (qsizetype i = 0; i < normalizedOffered.size(); ++i) {
        if (normalizedOffered.at(i) == accepted.name) {
            found.append({i, offered.at(i), accepted.encoding});
            return;
        }
    }
}

} // namespace

QList<TextType> textTypes(const QList<QByteArray> &offered)
{
    QList<QByteArray> normalizedOffered;
    normalizedOffered.reserve(offered.size());
    for (const QByteArray &type : offered)
        normalizedOffered.append(normalized(type));
    QList<TextType> found;
    for (const Accepted &accepted : acceptedText)
        appendOffered(found, normalizedOffered, offered, accepted);
    if (found.isEmpty())
        appendOffered(found, normalizedOffered, offered, acceptedUrls);
    return found;
}

std::optional<qsizetype> hintType(const QList<QByteArray> &offered)
{
    const QByteArray wanted = QByteArray(passwordManagerHint).toLower();
    for (qsizetype i = 0; i < offered.size(); ++i) {
        if (normalized(offered.at(i)) == wanted)
            return i;
    }
    return std::nullopt;
}

bool hintSaysSecret(QByteArrayView content)
{
    return content.trimmed().compare("secret", Qt::CaseInsensitive) == 0;
}

QString decode(QByteArrayView bytes, ClipboardTextDecoder::Encoding encoding)
{
    ClipboardTextDecoder decoder(encoding);
    decoder.append(bytes);
    return decoder.finish();
}

} // namespace ClipboardTextPolicy
