#pragma once

#include "SaveDialog.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

// Asks with Qt's file dialog, shown without blocking over `parentWindow`.
class FileSaveDialog final : public SaveDialog
{
    Q_DECLARE_TR_FUNCTIONS(FileSaveDialog)

public:
    explicit FileSaveDialog(QWidget *parentWindow = nullptr);

    void ask(const QString &suggestedName, const QStringList &fileTypes, Completion done) override;

private:
    QPointer<QWidget> m_parentWindow;
};
