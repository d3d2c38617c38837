#pragma once

#include "ClipboardTextDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// What Brimvale reads as a copy's text, whichever way the clipboard is reached
// (X11, Wayland's data-control, Qt): which of the offered types hold text and in
// which order they are tried, when a password manager's hint marks a copy as
// secret, and how the bytes become text. Readers hand over what the owner offers
// and ask here, so that one copy is read the same everywhere.
namespace ClipboardTextPolicy {

// Password managers (KeePassXC, KDE's) add this type, with the content "secret",
// so that clipboard histories leave their copies out.
inline constexpr char passwordManagerHint[] = "x-kde-passwordManagerHint";

struct TextType
{
    // Where in the offered list it stands, and its name as offered.
    qsizetype offeredAt;
    QByteArray name;
    ClipboardTextDecoder::Encoding encoding;
};

// The offered types that hold the text, best first: UTF8_STRING,
// text/plain;charset=utf-8 and text/plain as UTF-8, then X11's Latin-1 STRING and TEXT; with
// none of those, a URL list, read as its URLs. Case and spaces around ';' are
// not significant. Empty when the copy holds no text.
QList<TextType> textTypes(const QList<QByteArray> &offered);

// Where the password manager's hint stands in the offered list, if it is there.
std::optional<qsizetype> hintType(const QList<QByteArray> &offered);

// Whether the hint's content marks the copy as secret: "secret", whatever the
// case and the white space around it.
bool hintSaysSecret(QByteArrayView content);

// The text of bytes received whole; ClipboardTextDecoder takes them in pieces.
QString decode(QByteArrayView bytes, ClipboardTextDecoder::Encoding encoding);

} // namespace ClipboardTextPolicy
