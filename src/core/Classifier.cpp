#include "Classifier.h"

#include "Category.h"
#include "TextEquality.h"
#include "WordTagger.h"

#include <QTextBoundaryFinder>
#include <QVarLengthArray>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

using Bounds = QVarLengthArray<qsizetype, 16>;

// Start of each of the first `count` user-perceived characters of `text`, then the
// end of the last one; fewer when the text is shorter. Looks at no more of the text
// than it needs, so a megabyte costs no more than a line.
Bounds leadingCharacterBounds(QStringView text, qsizetype count)
{
    std::array<unsigned char, 256> attributes;
    qsizetype window = std::min(text.size(), std::max<qsizetype>(32, 4 * count));
    for (;;) {
        Bounds bounds{0};
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text.first(window),
                                       attributes.data(),
                                       static_cast<qsizetype>(attributes.size()));
        while (bounds.size() <= count) {
            const qsizetype next = characters.toNextBoundary();
            if (next < 0)
                break;
            bounds.append(next);
        }
        // A boundary at the end of a cut-off window may not be one in the whole text.
        if (window == text.size() || (bounds.size() > count && bounds.back() < window))
            return bounds;
        window = std::min(text.size(), 2 * window);
    }
}

bool sameCharacter(QStringView a, QStringView b)
{
    if (a == b)
        return true;
    // Lone characters below U+0300 have no other canonical form.
    if (a.size() == 1 && b.size() == 1 && a[0].unicode() < 0x300 && b[0].unicode() < 0x300)
        return false;
    return canonicallyEqual(a.toString(), b.toString());
}

QStringView characterAt(QStringView text, const Bounds &bounds, qsizetype i)
{
    return text.sliced(bounds[i], bounds[i + 1] - bounds[i]);
}

// Plain search: on prose, hopping from one first character to the next is
// several times faster than a general substring search.
bool containsCodeUnits(QStringView text, QStringView needle)
{
    for (qsizetype at = text.indexOf(needle.front()); at >= 0 && at + needle.size() <= text.size();
         at = text.indexOf(needle.front(), at + 1)) {
        if (text.sliced(at, needle.size()) == needle)
            return true;
    }
    return false;
}

} // namespace

bool startsWithCharacters(QStringView text, QStringView prefix)
{
    const Bounds prefixBounds = leadingCharacterBounds(prefix, prefix.size());
    const qsizetype count = prefixBounds.size() - 1;
    const Bounds textBounds = leadingCharacterBounds(text, count);
    if (textBounds.size() - 1 < count)
        return false;
    for (qsizetype i = 0; i < count; ++i) {
        if (!sameCharacter(characterAt(text, textBounds, i), characterAt(prefix, prefixBounds, i)))
            return false;
    }
    return true;
}

QString categorize(const QString &text)
{
    // Both look at the whole text, so their answer is the same for every token.
    const bool urlPrefix = startsWithCharacters(text, u"http://") ||
                           startsWithCharacters(text, u"https://") ||
                           startsWithCharacters(text, u"www.");
    const bool codeSubstring =
        text.contains(u'{') || text.contains(u';') || containsCodeUnits(text, u"func");

    struct Scan
    {
        bool tagged = false;
        bool codeTag = false;
    } scan;
    const bool decidedByFirstTag = urlPrefix || codeSubstring;
    enumerateWordTokens(text, [&scan, decidedByFirstTag](QStringView, std::optional<WordTag> tag) {
        if (!tag)
            return true;
        scan.tagged = true;
        const QLatin1StringView name = wordTagName(*tag);
        if (name == "Other"_L1 || name == "Symbol"_L1)
            scan.codeTag = true;
        // Later tokens can change nothing once the answer is known.
        return !(decidedByFirstTag || scan.codeTag);
    });

    if (scan.tagged && urlPrefix)
        return categoryName(Category::Url);
    if (scan.codeTag || (scan.tagged && codeSubstring))
        return categoryName(Category::Code);
    return categoryName(Category::Text);
}
