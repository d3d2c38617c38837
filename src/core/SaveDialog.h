#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Asks the user where to save a file, without blocking: `ask` returns at once and
// `done` is called later, exactly once, on the GUI thread, with the chosen path or
// nullopt when the user cancelled.
class SaveDialog
{
public:
    using Completion = std::function<void(const std::optional<QString> &path)>;

    virtual ~SaveDialog() = default;
    virtual void ask(const QString &suggestedName, const QStringList &fileTypes,
                     Completion done) = 0;
};
