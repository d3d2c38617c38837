#pragma once

#include "StoreResult.h"

class Preferences;

// Whether Brimvale starts with the user's session. The entry on disk is the
// truth: a desktop's own autostart settings may change it while Brimvale runs,
// so it is read whenever it is asked.
class AutostartEntry
{
public:
    virtual ~AutostartEntry() = default;

    // The entry exists and is not switched off (Hidden=true and the like).
    virtual bool isEnabled() const = 0;
    // The user's own entry exists, whatever it says.
    virtual bool exists() const = 0;
    virtual StoreStatus setEnabled(bool on) = 0;
    // The user's own entry was written by an earlier Brimvale and lacks what this
    // one writes.
    virtual bool isOutdated() const = 0;

protected:
    AutostartEntry() = default;
    AutostartEntry(const AutostartEntry &) = default;
    AutostartEntry &operator=(const AutostartEntry &) = default;
};

// On the first start ever, makes the entry, so that the history starts with the
// session; an entry already there (a desktop's, or one switched off) is left as
// it is. Later starts leave the entry to the user.
StoreStatus offerAutostartOnFirstStart(AutostartEntry &entry, Preferences &preferences);

// An entry switched on that an earlier Brimvale wrote is written again as this one
// writes it; an entry switched off, or none, is left as it is.
StoreStatus renewOutdatedAutostart(AutostartEntry &entry);
