#pragma once

#include "SaveDialog.h"

#include <QList>

// Remembers every question and lets the test answer it later, as the user would.
class FakeSaveDialog final : public SaveDialog
{
public:
    struct Question
    {
        QString suggestedName;
        QStringList fileTypes;
        Completion done;
    };

    void ask(const QString &suggestedName, const QStringList &fileTypes, Completion done) override
    {
        questions.append({suggestedName, fileTypes, std::move(done)});
    }

    // Answers the latest question, with its first file type selected.
    void answer(const std::optional<QString> &path)
    {
        Question question = questions.takeLast();
        if (!path)
            question.done(std::nullopt);
        else
            question.done(Choice{*path, question.fileTypes.value(0)});
    }

    QList<Question> questions;
};
