#include "FileSaveDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

class TestFileSaveDialog final : public QObject
{
    Q_OBJECT

private slots:
    void ask_showsSaveDialogWithoutBlocking();
    void acceptedDialog_reportsChosenPathOnceAndIsDeleted();
    void cancelledDialog_reportsNothingChosenOnce();

private:
    static QFileDialog *openDialog();
};

QFileDialog *TestFileSaveDialog::openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

void TestFileSaveDialog::ask_showsSaveDialogWithoutBlocking()
{
    QWidget window;
    FileSaveDialog saveDialog(&window);
    int calls = 0;
    saveDialog.ask(QStringLiteral("clipboard_export.url"),
                   {QStringLiteral("txt"), QStringLiteral("csv")},
                   [&calls](const std::optional<QString> &) { ++calls; });
    // Returned at once, with the dialog open and unanswered.
    QFileDialog *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(calls, 0);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->nameFilters(), QStringList({QStringLiteral("Text files (*.txt)"),
                                                 QStringLiteral("CSV files (*.csv)")}));
    QCOMPARE(dialog->defaultSuffix(), QString());
    QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
             QStringLiteral("clipboard_export.url"));
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->parentWidget(), &window);
    dialog->reject();
    QCOMPARE(calls, 1);
}

void TestFileSaveDialog::acceptedDialog_reportsChosenPathOnceAndIsDeleted()
{
    QTemporaryDir dir;
    FileSaveDialog saveDialog;
    QList<std::optional<QString>> answers;
    saveDialog.ask(QStringLiteral("clipboard_export.text"),
                   {QStringLiteral("txt"), QStringLiteral("csv")},
                   [&answers](const std::optional<QString> &path) { answers.append(path); });
    QPointer<QFileDialog> dialog = openDialog();
    QVERIFY(dialog);
    dialog->setDirectory(dir.path());
    dialog->selectFile(QStringLiteral("clipboard_export.text"));
    static_cast<QDialog *>(dialog.data())->accept();
    QCOMPARE(answers.size(), 1);
    QVERIFY(answers.first().has_value());
    QCOMPARE(QFileInfo(*answers.first()).fileName(), QStringLiteral("clipboard_export.text"));
    QCOMPARE(QFileInfo(*answers.first()).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(answers.size(), 1);
}

void TestFileSaveDialog::cancelledDialog_reportsNothingChosenOnce()
{
    FileSaveDialog saveDialog;
    QList<std::optional<QString>> answers;
    saveDialog.ask(QStringLiteral("clipboard_export.code"), {QStringLiteral("txt")},
                   [&answers](const std::optional<QString> &path) { answers.append(path); });
    QPointer<QFileDialog> dialog = openDialog();
    QVERIFY(dialog);
    dialog->reject();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.first(), std::nullopt);
}

QTEST_MAIN(TestFileSaveDialog)
#include "tst_filesavedialog.moc"
