#include "Classifier.h"

#include "UnicodeText.h"
#include "WordTagger.h"

#include <QString>

namespace {

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

Category categorize(const QString &text)
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
        if (*tag == WordTag::Other || *tag == WordTag::Symbol)
            scan.codeTag = true;
        // Later tokens can change nothing once the answer is known.
        return !(decidedByFirstTag || scan.codeTag);
    });

    if (scan.tagged && urlPrefix)
        return Category::Url;
    if (scan.codeTag || (scan.tagged && codeSubstring))
        return Category::Code;
    return Category::Text;
}
