#include "Classifier.h"
#include "WordTagger.h"

#include <QStringList>

#include <benchmark/benchmark.h>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype megabyte = 1024 * 1024;

// Neither braces, semicolons, "func" nor math or modifier symbols: prose is read to the end.
const QStringList &proseSentences()
{
    static const QStringList sentences{
        u"The meeting moved to Thursday at 10.30, room 4B."_s,
        u"Please send the invoice (number 2291) before the end of the month."_s,
        u"She said it's fine, but we should double-check the figures first."_s,
        u"Copied from the wiki: install the package, then restart the service."_s,
        u"Caf\u00E9 cr\u00E8me costs \u20AC3.20 and the weather is 21\u00B0C today \U0001F44D"_s,
        u"Notes from the review: naming is clear, tests are missing, docs look good."_s,
        u"Don't forget the milk, eggs, bread and two lemons!"_s,
        u"\u00DCber-fast delivery arrived on time \u2014 thank you \U0001F64F\U0001F3FD"_s,
        u"Question: who owns the backup server now that Ann has left?"_s,
        u"Reminder - the quarterly report is due 31 March."_s,
    };
    return sentences;
}

const QStringList &codeLines()
{
    static const QStringList lines{
        u"for (int i = 0; i < count; ++i) {"_s,
        u"    total += values[i] * weight;"_s,
        u"}"_s,
        u"const auto result = std::find_if(items.begin(), items.end(), isReady);"_s,
        u"if (!file.open(QIODevice::ReadOnly)) return false;"_s,
        u"def parse(line): return [x.strip() for x in line.split(',') if x]"_s,
        u"git log --oneline | grep -v merge | head -n 20"_s,
        u"SELECT name, count(*) FROM items WHERE size > 10 GROUP BY name;"_s,
        u"echo \"$HOME\" && ls -la ~/projects"_s,
        u"let squares = xs.map(x => x ^ 2).filter(x => x % 3 === 0);"_s,
    };
    return lines;
}

// Small, fixed linear congruential generator: the same text on every run.
class Picker final
{
public:
    qsizetype below(qsizetype n)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<qsizetype>((m_state >> 33) % static_cast<std::uint64_t>(n));
    }

private:
    std::uint64_t m_state = 0x5eed;
};

// Paragraphs of prose, with a block of code after every third when `withCode`.
QString makeText(qsizetype utf8Bytes, bool withCode)
{
    Picker pick;
    QString text;
    qsizetype bytes = 0;
    for (int paragraph = 0; bytes < utf8Bytes; ++paragraph) {
        QString block;
        for (qsizetype n = 3 + pick.below(4); n > 0; --n)
            block += proseSentences()[pick.below(proseSentences().size())] + u' ';
        block += u"\n\n"_s;
        if (withCode && paragraph % 3 == 2) {
            for (qsizetype n = 4 + pick.below(8); n > 0; --n)
                block += codeLines()[pick.below(codeLines().size())] + u'\n';
            block += u'\n';
        }
        bytes += block.toUtf8().size();
        text += block;
    }
    return text;
}

void runCategorize(benchmark::State &state, const QString &text, Category expected)
{
    if (categorize(text) != expected) {
        state.SkipWithError("text is not classified as the benchmark assumes");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(categorize(text));
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}

void BM_CategorizeMixedMegabyte(benchmark::State &state)
{
    static const QString text = makeText(megabyte, true);
    runCategorize(state, text, Category::Code);
}

// Worst case: no early answer, every token is looked at.
void BM_CategorizeProseMegabyte(benchmark::State &state)
{
    static const QString text = makeText(megabyte, false);
    runCategorize(state, text, Category::Text);
}

// The same prose with one symbol at its very end.
void BM_CategorizeProseMegabyteEndingInSymbol(benchmark::State &state)
{
    static const QString text = makeText(megabyte, false) + u"x = 1"_s;
    runCategorize(state, text, Category::Code);
}

void BM_CategorizeTypicalProse(benchmark::State &state)
{
    static const QString text = makeText(200, false).first(200);
    runCategorize(state, text, Category::Text);
}

void BM_CategorizeTypicalUrl(benchmark::State &state)
{
    static const QString text =
        u"https://shop.example.com/catalogue/items?category=garden&sort=price&page=3"_s;
    runCategorize(state, text, Category::Url);
}

void BM_EnumerateWordTokensProseMegabyte(benchmark::State &state)
{
    static const QString text = makeText(megabyte, false);
    for (auto _ : state) {
        qsizetype tokens = 0;
        enumerateWordTokens(text, [&tokens](QStringView, std::optional<WordTag>) {
            ++tokens;
            return true;
        });
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}

} // namespace

BENCHMARK(BM_CategorizeMixedMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CategorizeProseMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CategorizeProseMegabyteEndingInSymbol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateWordTokensProseMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CategorizeTypicalProse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CategorizeTypicalUrl)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
