#pragma once

#include "StoreResult.h"

#include <QLatin1StringView>
#include <QObject>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <cstddef>
#include <optional>

// The user's choices that outlive the session.
enum class Preference {
    PrivacyMode,
    ShowInDock,
    WindowWidth,
    WindowHeight,
    // Set once the first start has made the autostart entry: after that only the
    // user changes it.
    AutostartOffered,
    // Whether the text selected with the mouse is recorded as well as copies.
    RecordSelection,
};

// A switch is stored as 0 or 1, anything but a non-zero integer reading as off; a
// number is a whole number, anything but an integer reading as its default.
enum class PreferenceKind { Switch, Number };

struct PreferenceInfo
{
    Preference preference;
    // Its key in the store; never change one, or the stored value is lost.
    const char *key;
    // Its value until the user sets one (0 or 1 for a switch).
    qint64 defaultValue;
    PreferenceKind kind = PreferenceKind::Switch;
};

// Every preference, one row per enumerator in the enum's order.
inline constexpr std::array preferenceTable{
    PreferenceInfo{Preference::PrivacyMode, "privacyMode", false},
    PreferenceInfo{Preference::ShowInDock, "showInDock", false},
    // The panel's size as an ordinary window, in device-independent pixels; 0
    // until the user resized it.
    PreferenceInfo{Preference::WindowWidth, "windowWidth", 0, PreferenceKind::Number},
    PreferenceInfo{Preference::WindowHeight, "windowHeight", 0, PreferenceKind::Number},
    PreferenceInfo{Preference::AutostartOffered, "autostartOffered", false},
    PreferenceInfo{Preference::RecordSelection, "recordSelection", false},
};

inline constexpr std::size_t preferenceCount = preferenceTable.size();

constexpr std::size_t preferenceIndex(Preference preference)
{
    return static_cast<std::size_t>(preference);
}

static_assert(
    [] {
        for (std::size_t i = 0; i < preferenceCount; ++i) {
            if (preferenceIndex(preferenceTable[i].preference) != i)
                return false;
        }
        return true;
    }(),
    "preferenceTable must list the preferences in the enum's order");

constexpr const PreferenceInfo &preferenceInfo(Preference preference)
{
    return preferenceTable[preferenceIndex(preference)];
}

inline QLatin1StringView preferenceKey(Preference preference)
{
    return QLatin1StringView(preferenceInfo(preference).key);
}

// The preference stored under `key`, if it is one of ours.
inline std::optional<Preference> preferenceForKey(QStringView key)
{
    for (const PreferenceInfo &info : preferenceTable) {
        if (key == QLatin1StringView(info.key))
            return info.preference;
    }
    return std::nullopt;
}

// The user's preferences, read once and then answered from memory: cheap enough
// to ask on every clipboard tick.
class Preferences : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Preferences)

public:
    ~Preferences() override = default;

    virtual qint64 number(Preference preference) const = 0;
    // The value holds and is announced at once; it is written to the store
    // meanwhile, and written later where the store does not take it now. A switch
    // takes 0 or 1.
    virtual void setNumber(Preference preference, qint64 value) = 0;
    // Waits until every value set so far was tried, and says how the last try
    // went: for tests, and for the end of the program.
    virtual StoreStatus flush() = 0;

    bool value(Preference preference) const { return number(preference) != 0; }
    void setValue(Preference preference, bool value) { setNumber(preference, value ? 1 : 0); }

    bool privacyMode() const { return value(Preference::PrivacyMode); }
    void setPrivacyMode(bool on) { setValue(Preference::PrivacyMode, on); }
    bool showInDock() const { return value(Preference::ShowInDock); }
    void setShowInDock(bool on) { setValue(Preference::ShowInDock, on); }
    bool recordSelection() const { return value(Preference::RecordSelection); }
    void setRecordSelection(bool on) { setValue(Preference::RecordSelection, on); }

signals:
    // The value of `preference` is another than before: set by the user, or found
    // so in the store when it was opened again.
    void changed(Preference preference);

protected:
    explicit Preferences(QObject *parent = nullptr) : QObject(parent) {}
};
