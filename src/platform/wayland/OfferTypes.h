#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// What an offer's MIME types say about it, and the types we offer ourselves.
// Pure logic, so that it is tested without a compositor.
namespace OfferTypes {

// Password managers (KeePassXC, KDE's) add this type, with the content "secret",
// so that clipboard histories leave their copies out.
inline constexpr char passwordManagerHint[] = "x-kde-passwordManagerHint";

// Added to our own copies so that we know them when they come back as the new
// selection and do not read them again.
inline constexpr char ownCopyMarker[] = "application/x-brimvale-own-copy";

// The type to read the text in: "text/plain;charset=utf-8" first, then
// "text/plain", then X11's "UTF8_STRING" as XWayland offers it. Case and spaces
// around ';' are not significant. nullopt when the offer holds no plain text.
std::optional<QByteArray> preferredTextType(const QList<QByteArray> &types);

bool hasPasswordManagerHint(const QList<QByteArray> &types);
bool isOwnCopy(const QList<QByteArray> &types);

// Whether the hint's content marks the copy as secret.
bool hintSaysSecret(const QByteArray &content);

// The types our copies are offered in, the marker last.
QList<QByteArray> typesForOwnCopy();

} // namespace OfferTypes
