#include "FileSaveDialog.h"

#include <QFileDialog>

#include <memory>

namespace {

QString filterFor(const QString &type)
{
    if (type == QLatin1String("txt"))
        return FileSaveDialog::tr("Text files (*.txt)");
    if (type == QLatin1String("csv"))
        return FileSaveDialog::tr("CSV files (*.csv)");
    return FileSaveDialog::tr("%1 files (*.%2)").arg(type.toUpper(), type);
}

} // namespace

FileSaveDialog::FileSaveDialog(QWidget *parentWindow) : m_parentWindow(parentWindow) {}

void FileSaveDialog::ask(const QString &suggestedName, const QStringList &fileTypes,
                         Completion done)
{
    auto *dialog = new QFileDialog(m_parentWindow);
    dialog->setObjectName(QStringLiteral("exportFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const QString &type : fileTypes)
        filters.append(filterFor(type));
    dialog->setNameFilters(filters);
    // The suggested name is kept as given, even when its extension is none of the
    // offered types.
    dialog->setDefaultSuffix(QString());
    dialog->selectFile(suggestedName);

    auto answered = std::make_shared<bool>(false);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, answered, done = std::move(done)](int result) {
                         if (*answered)
                             return;
                         *answered = true;
                         const QStringList files = dialog->selectedFiles();
                         if (result == QDialog::Accepted && !files.isEmpty())
                             done(files.constFirst());
                         else
                             done(std::nullopt);
                     });
    dialog->open();
}
