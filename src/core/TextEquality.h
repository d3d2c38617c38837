#pragma once

#include <QString>

// Texts are equal when they are canonically equivalent (same NFC form); case counts.
// The canonical form shares the text's storage when the text is already in NFC,
// which is nearly always the case.
QString canonicalForm(const QString &text);
bool canonicallyEqual(const QString &a, const QString &b);
