#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Asks the user where to save a file, without blocking: `ask` returns at once and
// `done` is called later, exactly once, on the GUI thread, with the user's choice
// or nullopt when the user cancelled.
class SaveDialog
{
public:
    // Where to save, as the user accepted it, and which of the offered file types
    // (one of `fileTypes`, without a dot) was selected then.
    struct Choice
    {
        QString path;
        QString fileType;
    };
    using Completion = std::function<void(const std::optional<Choice> &choice)>;

    virtual ~SaveDialog() = default;
    virtual void ask(const QString &suggestedName, const QStringList &fileTypes,
                     Completion done) = 0;

    // `path` as saved when the user selected `fileType` from `fileTypes`: a name
    // that ends in none of the offered extensions gets the selected one, so that
    // the file shows among its type next time ("a.url" as "a.url.txt").
    static QString pathWithFileType(const QString &path, const QString &fileType,
                                    const QStringList &fileTypes)
    {
        if (path.isEmpty() || fileType.isEmpty())
            return path;
        for (const QString &type : fileTypes) {
            if (path.endsWith(u'.' + type, Qt::CaseInsensitive))
                return path;
        }
        return path.endsWith(u'.') ? path + fileType : path + u'.' + fileType;
    }
};
