#include "HistoryExport.h"

#include "ClipboardManager.h"
#include "SaveDialog.h"

#include <QPointer>
#include <QSaveFile>

#include <cstdio>

namespace HistoryExport {

QString suggestedFileName(const QString &categoryName)
{
    return QStringLiteral("clipboard_export.") + categoryName.toLower();
}

QStringList fileTypes()
{
    return {QStringLiteral("txt"), QStringLiteral("csv")};
}

QByteArray fileContents(const QStringList &items)
{
    return items.join(QStringLiteral("\n\n")).toUtf8();
}

void start(ClipboardManager &manager, const QString &categoryName, SaveDialog &dialog)
{
    // The category is fixed now; the list is read only once the user confirms, so
    // what was captured meanwhile is included.
    const Category category = categoryForName(categoryName);
    QPointer<ClipboardManager> target(&manager);
    dialog.ask(suggestedFileName(categoryName), fileTypes(),
               [target, category](const std::optional<QString> &path) {
                   if (!path || path->isEmpty() || !target)
                       return;
                   if (const auto error = writeFile(*path, fileContents(target->items(category)))) {
                       std::fprintf(stdout, "%s\n", qUtf8Printable(failurePrefix + *error));
                       std::fflush(stdout);
                   }
               });
}

std::optional<QString> writeFile(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(contents) != contents.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace HistoryExport
