#include "DisplayText.h"

#include <QTextBoundaryFinder>

namespace {

// Position just after the `count`th cluster of `text`, or -1 when `text` has fewer
// clusters. A cluster boundary depends only on what precedes it and the one
// character after it, so segmenting a prefix gives the text's own boundaries up to
// two units before the prefix's end.
qsizetype endOfClusters(const QString &text, qsizetype count)
{
    qsizetype prefix = std::min(text.size(), 4 * count + 64);
    for (;;) {
        const bool whole = prefix == text.size();
        const qsizetype reliable = whole ? prefix : prefix - 2;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData(), prefix);
        qsizetype seen = 0;
        for (qsizetype at = finder.toNextBoundary(); at > 0 && at <= reliable;
             at = finder.toNextBoundary()) {
            if (++seen == count)
                return at;
        }
        if (whole)
            return -1;
        prefix = std::min(text.size(), prefix * 2);
    }
}

} // namespace

QString displayText(const QString &text, qsizetype length)
{
    // Each cluster takes at least one unit.
    if (text.size() <= length)
        return text;
    const qsizetype end = endOfClusters(text, length);
    if (end < 0 || end == text.size())
        return text;
    return text.first(end) + QStringLiteral("...");
}
