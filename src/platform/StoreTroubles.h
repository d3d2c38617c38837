#pragma once

#include <QString>

#include <array>
#include <functional>

// What the user is told about a store's lasting troubles. The history and the
// preferences share one file, and one cause (a file made read-only, a full disk)
// stops both: the user reads one line when the first of them cannot save and
// one when the last saves again, not a pair from each. Used on the GUI thread.
class StoreTroubles final
{
public:
    enum class Part { History, Preferences };
    using Say = std::function<void(const QString &line)>;

    // `part` cannot save: `line` is said unless a trouble of the store was said
    // already and has not ended.
    void started(Part part, const QString &line, const Say &say);
    // `part` saves again. Once no part is in trouble, `line` is said, or a line
    // naming both when both were since the trouble was said.
    void ended(Part part, const QString &line, const Say &say);

private:
    static std::size_t index(Part part) { return static_cast<std::size_t>(part); }
    bool anyInTrouble() const;

    std::array<bool, 2> m_inTrouble{};
    // In trouble at some time since the trouble was said.
    std::array<bool, 2> m_involved{};
};
