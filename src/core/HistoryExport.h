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

// Asks the dialog where to save the category's list and hands the path to `chosen`
// when the user confirms.
void start(Category category, SaveDialog &dialog, std::function<void(const QString &path)> chosen);

// Writes `items` to `path`. A failure prints one line on standard output and is
// returned as that line.
std::optional<QString> save(const QString &path, const QStringList &items);

// Replaces the file at `path` whole or not at all; returns the error text on failure.
std::optional<QString> writeFile(const QString &path, const QByteArray &contents);

} // namespace HistoryExport
