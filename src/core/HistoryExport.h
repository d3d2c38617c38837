#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class ClipboardManager;
class SaveDialog;

// Writing one category's list to a file the user picks.
namespace HistoryExport {

inline const QString failurePrefix = QStringLiteral("Failed to export items: ");

// "clipboard_export." followed by the category name in lower case.
QString suggestedFileName(const QString &categoryName);
QStringList fileTypes();
// The items joined by two line feeds; nothing before the first or after the last.
QByteArray fileContents(const QStringList &items);

// Asks the dialog, then writes the list of `categoryName` as it is when the user
// confirms. A failed write prints one line on standard output.
void start(ClipboardManager &manager, const QString &categoryName, SaveDialog &dialog);

// Replaces the file at `path` whole or not at all; returns the error text on failure.
std::optional<QString> writeFile(const QString &path, const QByteArray &contents);

} // namespace HistoryExport
