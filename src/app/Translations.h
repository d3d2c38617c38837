#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QTranslator;

// The languages the session asks for, most wanted first, read as gettext reads
// them: LANGUAGE (a colon-separated list) unless the messages locale is C or
// POSIX, then the first of LC_ALL, LC_MESSAGES and LANG that is set. Each entry
// is a bare language or language_TERRITORY, without encoding or modifier.
QStringList sessionLanguages(const std::function<QByteArray(const char *)> &environment);
// The same, from this process's environment.
QStringList sessionLanguages();

// Brimvale's translation and Qt's own (the file dialog, the standard buttons) for
// one language, installed in the application while this object lives.
class Translations final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Translations)

public:
    explicit Translations(QObject *parent = nullptr);
    ~Translations() override;

    // Installs the translations for the first of `languages` that Brimvale has
    // one for in `directories`, replacing those installed before. English is the
    // source language: met first, it installs nothing. Returns the language
    // installed, or an empty string for English.
    QString load(const QStringList &languages, const QStringList &directories);
    QString language() const { return m_language; }

    // Where the program finds its translations: installed, beside the data folder
    // that goes with the binary's folder; built, beside the binary.
    static QStringList programDirectories();

private:
    void unload();

    QTranslator *m_own;
    QTranslator *m_qt;
    QString m_language;
};

// For main(): the session's language, from the program's own folders.
void installSessionTranslations(QObject *application);
