#pragma once

#include <QByteArray>
#include <QList>

// How our own copies are offered and known again. Which offered types hold text
// and what the password manager's hint means is ClipboardTextPolicy's. Pure
// logic, so that it is tested without a compositor.
namespace OfferTypes {

// Added to our own copies so that we know them when they come back as the new
// selection and do not read them again.
inline constexpr char ownCopyMarker[] = "application/x-brimvale-own-copy";

bool isOwnCopy(const QList<QByteArray> &types);

// The types our copies are offered in, the marker last.
QList<QByteArray> typesForOwnCopy();

} // namespace OfferTypes
