#include "HistoryExport.h"

#include "SaveDialog.h"

#include <QSaveFile>

#include <cstdio>

namespace HistoryExport {

QString suggestedFileName(Category category)
{
    return QStringLiteral("clipboard_export.") + categoryName(category).toLower();
}

QStringList fileTypes()
{
    return {QStringLiteral("txt"), QStringLiteral("csv")};
}

QByteArray fileContents(const QStringList &items)
{
    return items.join(QStringLiteral("\n\n")).toUtf8();
}

void start(Category category, SaveDialog &dialog, std::function<void(const QString &path)> chosen)
{
    // The category is fixed now; the list is read only once the user confirms, so
    // what was captured meanwhile is included.
    dialog.ask(suggestedFileName(category), fileTypes(),
               [chosen = std::move(chosen)](const std::optional<SaveDialog::Choice> &choice) {
                   if (!choice || choice->path.isEmpty())
                       return;
                   // A dialog that does not see to the extension itself may hand back the
                   // suggested "clipboard_export.url" as it is.
                   chosen(
                       SaveDialog::pathWithFileType(choice->path, choice->fileType, fileTypes()));
               });
}

std::optional<QString> save(const QString &path, const QStringList &items)
{
    const auto error = writeFile(path, fileContents(items));
    if (!error)
        return std::nullopt;
    const QString message = failurePrefix + *error;
    std::fprintf(stdout, "%s\n", qUtf8Printable(message));
    std::fflush(stdout);
    return message;
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
