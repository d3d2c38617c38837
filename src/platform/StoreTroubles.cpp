#include "StoreTroubles.h"

#include <QCoreApplication>

#include <algorithm>

void StoreTroubles::started(Part part, const QString &line, const Say &say)
{
    if (m_inTrouble[index(part)])
        return;
    const bool told = anyInTrouble();
    m_inTrouble[index(part)] = true;
    m_involved[index(part)] = true;
    if (!told)
        say(line);
}

void StoreTroubles::ended(Part part, const QString &line, const Say &say)
{
    if (!std::exchange(m_inTrouble[index(part)], false) || anyInTrouble())
        return;
    const bool both = std::all_of(m_involved.begin(), m_involved.end(), [](bool b) { return b; });
    m_involved = {};
    say(both ? QCoreApplication::translate("StoreTroubles",
                                           "the clipboard history and the preferences are saved "
                                           "again")
             : line);
}

bool StoreTroubles::anyInTrouble() const
{
    return std::any_of(m_inTrouble.begin(), m_inTrouble.end(), [](bool b) { return b; });
}
