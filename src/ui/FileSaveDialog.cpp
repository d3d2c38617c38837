#include "FileSaveDialog.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>

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

// Qt's file dialog, which saves under one of the offered types as its filters show
// them: a name that ends in none gets the selected one before the dialog checks
// whether it would replace a file, so the question is asked about the real name.
class TypedSaveDialog final : public QFileDialog
{
    Q_DISABLE_COPY_MOVE(TypedSaveDialog)

public:
    TypedSaveDialog(QWidget *parent, const QStringList &fileTypes)
        : QFileDialog(parent), m_fileTypes(fileTypes)
    {
    }

    // The offered type whose filter is selected.
    QString selectedType() const
    {
        const qsizetype index = nameFilters().indexOf(selectedNameFilter());
        return m_fileTypes.value(index < 0 ? 0 : index);
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        auto *nameField = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (files.size() == 1 && nameField && !QFileInfo(files.first()).isDir()) {
            const QString typed = files.first();
            const QString path = SaveDialog::pathWithFileType(typed, selectedType(), m_fileTypes);
            // Only ever appended to, so the field's text grows by the same. A file
            // the typed name matched is selected in the views, and the selection
            // would win over the field.
            if (path != typed && path.startsWith(typed)) {
                const auto views = findChildren<QAbstractItemView *>();
                for (QAbstractItemView *view : views) {
                    if (view->selectionModel())
                        view->selectionModel()->clearSelection();
                }
                nameField->setText(nameField->text() + path.mid(typed.size()));
            }
        }
        QFileDialog::accept();
    }

private:
    QStringList m_fileTypes;
};

} // namespace

FileSaveDialog::FileSaveDialog(QWidget *parentWindow)
    : m_parentWindow(parentWindow), m_folder(std::make_shared<QString>(QDir::homePath()))
{
}

void FileSaveDialog::ask(const QString &suggestedName, const QStringList &fileTypes,
                         Completion done)
{
    auto *dialog = new TypedSaveDialog(m_parentWindow, fileTypes);
    dialog->setObjectName(QStringLiteral("exportFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const QString &type : fileTypes)
        filters.append(filterFor(type));
    dialog->setNameFilters(filters);
    // The suggested name is shown as given; the selected type's extension is
    // added on accepting when the name ends in none of the offered ones (Qt's
    // default suffix would only go to a name without any).
    dialog->setDefaultSuffix(QString());
    dialog->setDirectory(*m_folder);
    dialog->selectFile(suggestedName);

    auto answered = std::make_shared<bool>(false);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, answered, folder = m_folder, done = std::move(done)](int result) {
                         if (*answered)
                             return;
                         *answered = true;
                         const QStringList files = dialog->selectedFiles();
                         if (result != QDialog::Accepted || files.isEmpty()) {
                             done(std::nullopt);
                             return;
                         }
                         *folder = QFileInfo(files.constFirst()).absolutePath();
                         done(Choice{files.constFirst(), dialog->selectedType()});
                     });
    dialog->open();
}
