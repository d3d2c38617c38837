#pragma once

#include <QRandomGenerator>
#include <QStringList>

// A deterministic, realistic-looking history for benchmarks: mostly texts of about
// 200 characters (URLs, code lines, prose), and one in a thousand of 2 to 50 kB.
namespace HistoryGenerator {

inline QString word(QRandomGenerator &random)
{
    static const char *const words[] = {
        "clipboard", "history", "panel", "search", "record",  "item",  "text",  "linux",
        "desktop",   "copy",    "paste", "value",  "return",  "const", "while", "commit",
        "the",       "and",     "of",    "to",     "quickly", "brown", "fox",   "über",
        "café",      "naïve",   "日本",  "данные", "emoji👍",  "42",    "3.14",  "x"};
    return QString::fromUtf8(words[random.bounded(int(std::size(words)))]);
}

inline QString text(QRandomGenerator &random, int targetLength)
{
    QString result;
    result.reserve(targetLength + 16);
    const int kind = random.bounded(3);
    if (kind == 0)
        result += QStringLiteral("https://example.org/");
    while (result.size() < targetLength) {
        result += word(random);
        result += kind == 1 ? QStringLiteral("; ") : QStringLiteral(" ");
    }
    return result;
}

// `count` distinct texts, newest first.
inline QStringList history(int count, quint32 seed = 20261209)
{
    QRandomGenerator random(seed);
    QStringList items;
    items.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int length =
            random.bounded(1000) == 0 ? 2000 + random.bounded(48000) : 110 + random.bounded(140);
        items << QString::number(i) + QLatin1Char(' ') + text(random, length);
    }
    return items;
}

} // namespace HistoryGenerator
