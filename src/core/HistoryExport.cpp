#include "HistoryExport.h"

#include "SaveDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>

#include <unistd.h>

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

namespace {

// A name chosen in a shared folder may have been made a link by someone else, to
// a file of theirs or to none yet: writing through it would hand them the
// history. Only a link to a regular file of the user's own is followed.
std::optional<QString> refusedLink(const QString &path)
{
    const QFileInfo chosen(path);
    if (!chosen.isSymLink())
        return std::nullopt;
    const QFileInfo target(chosen.canonicalFilePath());
    if (target.exists() && target.isFile() && target.ownerId() == ::geteuid())
        return std::nullopt;
    return QCoreApplication::translate("HistoryExport",
                                       "%1 is a symbolic link to a file that is not your own")
        .arg(QDir::toNativeSeparators(path));
}

// The system's own text for a write that failed: QSaveFile says "Unknown error"
// for a full disk.
QString failureOf(const QSaveFile &file, int error)
{
    return error != 0 ? qt_error_string(error) : file.errorString();
}

} // namespace

std::optional<QString> writeFile(const QString &path, const QByteArray &contents)
{
    if (auto refused = refusedLink(path))
        return refused;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // An exported history is as private as the store it came from.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return file.errorString();
    errno = 0;
    if (file.write(contents) != contents.size() || !file.flush()) {
        const QString error = failureOf(file, errno);
        file.cancelWriting();
        return error;
    }
    errno = 0;
    if (!file.commit())
        return failureOf(file, errno);
    return std::nullopt;
}

} // namespace HistoryExport
