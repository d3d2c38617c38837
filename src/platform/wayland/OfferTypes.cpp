#include "OfferTypes.h"

namespace OfferTypes {

namespace {

QByteArray normalized(const QByteArray &type)
{
    QByteArray result = type.toLower();
    result.replace(' ', QByteArray());
    return result;
}

bool contains(const QList<QByteArray> &types, const QByteArray &wanted)
{
    for (const QByteArray &type : types) {
        if (type == wanted)
            return true;
    }
    return false;
}

} // namespace

std::optional<QByteArray> preferredTextType(const QList<QByteArray> &types)
{
    static const QByteArray preference[] = {"text/plain;charset=utf-8", "text/plain",
                                            "utf8_string"};
    for (const QByteArray &wanted : preference) {
        for (const QByteArray &type : types) {
            if (normalized(type) == wanted)
                return type;
        }
    }
    return std::nullopt;
}

bool hasPasswordManagerHint(const QList<QByteArray> &types)
{
    return contains(types, QByteArray(passwordManagerHint));
}

bool isOwnCopy(const QList<QByteArray> &types)
{
    return contains(types, QByteArray(ownCopyMarker));
}

bool hintSaysSecret(const QByteArray &content)
{
    return content.trimmed() == "secret";
}

QList<QByteArray> typesForOwnCopy()
{
    return {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", ownCopyMarker};
}

} // namespace OfferTypes
