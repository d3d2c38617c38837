#include "OfferTypes.h"

namespace OfferTypes {

bool isOwnCopy(const QList<QByteArray> &types)
{
    return types.contains(QByteArray(ownCopyMarker));
}

QList<QByteArray> typesForOwnCopy()
{
    return {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", ownCopyMarker};
}

} // namespace OfferTypes
