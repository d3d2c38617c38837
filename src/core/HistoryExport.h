#pragma once

#include "Category.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class SaveDialog;

// Writing one category's list to a file the user picks.
namespace HistoryExport {

inline const QString failurePrefix = QStringLiteral("Failed to export items: ");

// "clipboard_export." followed by the category's name in lower case.
QString suggestedFileName(Category category);
QStringList fileTypes();
// The items joined by two line feeds; nothing before the first or after the last.
QByteArray fileContents(const QStringList &items);

// Asks the dialog where to save the category's list, then writes what `items`
// gives when the user confirms (nothing when it gives nullopt). A failed write
// prints one line on standard output and is handed to `failed` as that line.
void start(Category category, SaveDialog &dialog, std::function<std::optional<QStringList>()> items,
           std::function<void(const QString &message)> failed);

// Replaces the file at `path` whole or not at all; returns the error text on failure.
std::optional<QString> writeFile(const QString &path, const QByteArray &contents);

} // namespace HistoryExport
