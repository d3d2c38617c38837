#include "AutostartEntry.h"

#include "Preferences.h"

StoreStatus offerAutostartOnFirstStart(AutostartEntry &entry, Preferences &preferences)
{
    if (preferences.value(Preference::AutostartOffered))
        return {};
    if (!entry.exists()) {
        StoreStatus made = entry.setEnabled(true);
        if (!made.ok())
            return made;
    }
    preferences.setValue(Preference::AutostartOffered, true);
    return {};
}

StoreStatus renewOutdatedAutostart(AutostartEntry &entry)
{
    if (!entry.exists() || !entry.isEnabled() || !entry.isOutdated())
        return {};
    return entry.setEnabled(true);
}
