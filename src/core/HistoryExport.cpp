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

void start(Category category, SaveDialog &dialog, std::function<std::optional<QStringList>()> items,
           std::function<void(const QString &message)> failed)
{
    // The category is fixed now; the list is read only once the user confirms, so
    // what was captured meanwhile is included.
    dialog.ask(suggestedFileName(category), fileTypes(),
               [items = std::move(items),
                failed = std::move(failed)](const std::optional<SaveDialog::Choice> &choice) {
                   if (!choice || choice->path.isEmpty())
                       return;
                   // A dialog that does not see to the extension itself may hand back the
                   // suggested "clipboard_export.url" as it is.
                   const QString path =
                       SaveDialog::pathWithFileType(choice->path, choice->fileType, fileTypes());
                   const std::optional<QStringList> list = items();
                   if (!list)
                       return;
                   if (const auto error = writeFile(path, fileContents(*list))) {
                       const QString message = failurePrefix + *error;
                       std::fprintf(stdout, "%s\n", qUtf8Printable(message));
                       std::fflush(stdout);
                       failed(message);
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
