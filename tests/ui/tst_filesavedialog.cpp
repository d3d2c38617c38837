#include "FileSaveDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestFileSaveDialog final : public QObject
{
    Q_OBJECT

private slots:
    void ask_showsSaveDialogWithoutBlocking();
    void acceptedDialog_reportsChosenPathOnceAndIsDeleted();
    void cancelledDialog_reportsNothingChosenOnce();
    void nameWithoutOfferedExtension_getsSelectedFiltersType_data();
    void nameWithoutOfferedExtension_getsSelectedFiltersType();
    void replacing_isAskedAboutTheNameSavedTo();
    void earlierExport_isShownByTheFilterNextTime();
    void opensAtHome_thenInTheFolderLastSavedTo();

private:
    static QFileDialog *openDialog();
    // Asks as the export does, in `folder`, and accepts `name` with the filter for
    // `fileType` selected; returns what the dialog handed back. A dialog still open
    // then is cancelled, and `stayedOpen` says so.
    static std::optional<SaveDialog::Choice> acceptIn(const QString &folder, const QString &name,
                                                      const QString &fileType,
                                                      bool *stayedOpen = nullptr);
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
                   [&calls](const std::optional<SaveDialog::Choice> &) { ++calls; });
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
    QList<std::optional<SaveDialog::Choice>> answers;
    saveDialog.ask(
        QStringLiteral("clipboard_export.text"), {QStringLiteral("txt"), QStringLiteral("csv")},
        [&answers](const std::optional<SaveDialog::Choice> &choice) { answers.append(choice); });
    QPointer<QFileDialog> dialog = openDialog();
    QVERIFY(dialog);
    dialog->setDirectory(dir.path());
    dialog->selectFile(QStringLiteral("clipboard_export.text"));
    static_cast<QDialog *>(dialog.data())->accept();
    QCOMPARE(answers.size(), 1);
    QVERIFY(answers.first().has_value());
    // Saved as the selected type, the first one offered.
    QCOMPARE(QFileInfo(answers.first()->path).fileName(),
             QStringLiteral("clipboard_export.text.txt"));
    QCOMPARE(answers.first()->fileType, QStringLiteral("txt"));
    QCOMPARE(QFileInfo(answers.first()->path).absolutePath(),
             QFileInfo(dir.path()).absoluteFilePath());
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(answers.size(), 1);
}

void TestFileSaveDialog::cancelledDialog_reportsNothingChosenOnce()
{
    FileSaveDialog saveDialog;
    QList<std::optional<SaveDialog::Choice>> answers;
    saveDialog.ask(
        QStringLiteral("clipboard_export.code"), {QStringLiteral("txt")},
        [&answers](const std::optional<SaveDialog::Choice> &choice) { answers.append(choice); });
    QPointer<QFileDialog> dialog = openDialog();
    QVERIFY(dialog);
    dialog->reject();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(answers.size(), 1);
    QVERIFY(!answers.first().has_value());
}

std::optional<SaveDialog::Choice> TestFileSaveDialog::acceptIn(const QString &folder,
                                                               const QString &name,
                                                               const QString &fileType,
                                                               bool *stayedOpen)
{
    FileSaveDialog saveDialog;
    QList<std::optional<SaveDialog::Choice>> answers;
    saveDialog.ask(
        QStringLiteral("clipboard_export.url"), {QStringLiteral("txt"), QStringLiteral("csv")},
        [&answers](const std::optional<SaveDialog::Choice> &choice) { answers.append(choice); });
    QFileDialog *dialog = openDialog();
    if (!dialog)
        return std::nullopt;
    dialog->setDirectory(folder);
    dialog->selectNameFilter(fileType == QLatin1String("csv")
                                 ? QStringLiteral("CSV files (*.csv)")
                                 : QStringLiteral("Text files (*.txt)"));
    // The user types the name and presses Return in the name field.
    auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!nameField)
        return std::nullopt;
    nameField->setText(name);
    QTest::keyClick(nameField, Qt::Key_Return);
    if (answers.isEmpty()) {
        // Still asking: closed here, while what it reports to still exists.
        if (stayedOpen)
            *stayedOpen = dialog->isVisible();
        dialog->reject();
    }
    if (answers.size() != 1)
        return std::nullopt;
    return answers.first();
}

void TestFileSaveDialog::nameWithoutOfferedExtension_getsSelectedFiltersType_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("fileType");
    QTest::addColumn<QString>("saved");
    QTest::newRow("suggested, text") << "clipboard_export.url"
                                     << "txt"
                                     << "clipboard_export.url.txt";
    QTest::newRow("suggested, csv") << "clipboard_export.url"
                                    << "csv"
                                    << "clipboard_export.url.csv";
    QTest::newRow("plain name") << "links"
                                << "txt"
                                << "links.txt";
    QTest::newRow("txt kept under csv") << "links.txt"
                                        << "csv"
                                        << "links.txt";
    QTest::newRow("csv kept under text") << "links.csv"
                                         << "txt"
                                         << "links.csv";
}

void TestFileSaveDialog::nameWithoutOfferedExtension_getsSelectedFiltersType()
{
    QFETCH(QString, typed);
    QFETCH(QString, fileType);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    const std::optional<SaveDialog::Choice> choice = acceptIn(dir.path(), typed, fileType);
    QVERIFY(choice.has_value());
    QCOMPARE(choice->path, QDir(dir.path()).absoluteFilePath(saved));
    QCOMPARE(choice->fileType, fileType);
}

void TestFileSaveDialog::replacing_isAskedAboutTheNameSavedTo()
{
    // An earlier "links" on disk is not what "links" saves to: nothing is asked.
    QTemporaryDir dir;
    for (const char *name : {"links", "links.txt"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    std::optional<SaveDialog::Choice> choice =
        acceptIn(dir.path(), QStringLiteral("other"), QStringLiteral("txt"));
    QVERIFY(choice.has_value());
    QTRY_VERIFY(!openDialog());

    // "links.txt" is: the user is asked, and saying no keeps the dialog open.
    QString asked;
    QTimer answerNo;
    connect(&answerNo, &QTimer::timeout, this, [&asked] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible()) {
                asked = box->text();
                box->button(QMessageBox::No)->click();
            }
        }
    });
    answerNo.start(50);
    bool stayedOpen = false;
    choice = acceptIn(dir.path(), QStringLiteral("links"), QStringLiteral("txt"), &stayedOpen);
    answerNo.stop();
    QVERIFY2(asked.contains(QStringLiteral("links.txt")), qPrintable(asked));
    QVERIFY(stayedOpen);
    // Cancelled in the end: nothing was chosen.
    QVERIFY(!choice.has_value());
}

void TestFileSaveDialog::earlierExport_isShownByTheFilterNextTime()
{
    QTemporaryDir dir;
    const std::optional<SaveDialog::Choice> choice =
        acceptIn(dir.path(), QStringLiteral("clipboard_export.url"), QStringLiteral("txt"));
    QVERIFY(choice.has_value());
    QFile saved(choice->path);
    QVERIFY(saved.open(QIODevice::WriteOnly));
    saved.close();
    QTRY_VERIFY(!openDialog());

    // Next time, in the same folder under the same filter, the file is listed.
    FileSaveDialog saveDialog;
    saveDialog.ask(QStringLiteral("clipboard_export.url"),
                   {QStringLiteral("txt"), QStringLiteral("csv")},
                   [](const std::optional<SaveDialog::Choice> &) {});
    QPointer<QFileDialog> dialog = openDialog();
    QVERIFY(dialog);
    dialog->setDirectory(dir.path());
    QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("Text files (*.txt)"));
    auto *files = dialog->findChild<QListView *>(QStringLiteral("listView"));
    QVERIFY(files);
    const auto listed = [&] {
        QStringList names;
        const QModelIndex root = files->rootIndex();
        for (int row = 0; row < files->model()->rowCount(root); ++row)
            names.append(files->model()->index(row, 0, root).data().toString());
        return names;
    };
    QTRY_COMPARE(listed(), QStringList{QStringLiteral("clipboard_export.url.txt")});
    dialog->reject();
}

// Not the working folder (the test's build folder here): it means nothing to the user.
void TestFileSaveDialog::opensAtHome_thenInTheFolderLastSavedTo()
{
    QTemporaryDir home;
    QTemporaryDir elsewhere;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    FileSaveDialog saveDialog;
    QStringList openedIn;
    // Saved to elsewhere, then cancelled at home: a cancel changes nothing.
    for (const QString &folder : {elsewhere.path(), home.path(), QString()}) {
        saveDialog.ask(QStringLiteral("links.txt"), {QStringLiteral("txt")},
                       [](const std::optional<SaveDialog::Choice> &) {});
        QFileDialog *dialog = openDialog();
        QVERIFY(dialog);
        openedIn.append(dialog->directory().absolutePath());
        dialog->setDirectory(folder);
        folder == elsewhere.path() ? static_cast<QDialog *>(dialog)->accept() : dialog->reject();
    }
    qputenv("HOME", savedHome);
    QCOMPARE(openedIn, QStringList({home.path(), elsewhere.path(), elsewhere.path()}));
}

QTEST_MAIN(TestFileSaveDialog)
#include "tst_filesavedialog.moc"
