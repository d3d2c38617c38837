#pragma once

#include "SaveDialog.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <memory>

// Asks with Qt's file dialog, shown without blocking over `parentWindow`. It opens
// in the home folder, or in the folder last saved to through this object: the
// working folder of a program started by the session means nothing to the user.
class FileSaveDialog final : public SaveDialog
{
    Q_DECLARE_TR_FUNCTIONS(FileSaveDialog)

public:
    explicit FileSaveDialog(QWidget *parentWindow = nullptr);

    void ask(const QString &suggestedName, const QStringList &fileTypes, Completion done) override;

private:
    QPointer<QWidget> m_parentWindow;
    // Shared with the dialog still asking, which may answer after this is gone.
    std::shared_ptr<QString> m_folder;
};
