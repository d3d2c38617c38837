#include "Translations.h"

#include "AppLogging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

bool isCLocale(const QByteArray &name)
{
    return name == "C" || name == "POSIX" || name.startsWith("C.");
}

// "de_DE.UTF-8@euro" -> "de_DE"
QString bareLanguage(const QByteArray &value)
{
    QByteArray name = value;
    for (const char cut : {'@', '.'}) {
        const qsizetype at = name.indexOf(cut);
        if (at >= 0)
            name.truncate(at);
    }
    return QString::fromLatin1(name).trimmed();
}

// The file names to try for one language, the most specific first.
QStringList candidates(const QString &language)
{
    QStringList names{language};
    const qsizetype underscore = language.indexOf(u'_');
    if (underscore > 0)
        names.append(language.left(underscore));
    return names;
}

bool isEnglish(const QString &language)
{
    return language == u"en" || language.startsWith(u"en_");
}

} // namespace

QStringList sessionLanguages(const std::function<QByteArray(const char *)> &environment)
{
    QByteArray locale;
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment(variable);
        if (!locale.isEmpty())
            break;
    }
    // gettext ignores LANGUAGE in the C locale, so a program started with
    // LC_ALL=C speaks English whatever the desktop's list says.
    if (locale.isEmpty() || isCLocale(locale))
        return {};
    QStringList languages;
    const QByteArray list = environment("LANGUAGE");
    for (const QByteArray &entry : list.split(':')) {
        const QString language = bareLanguage(entry);
        if (!language.isEmpty() && !languages.contains(language))
            languages.append(language);
    }
    const QString fromLocale = bareLanguage(locale);
    if (!languages.contains(fromLocale))
        languages.append(fromLocale);
    return languages;
}

QStringList sessionLanguages()
{
    return sessionLanguages([](const char *name) { return qgetenv(name); });
}

Translations::Translations(QObject *parent)
    : QObject(parent), m_own(new QTranslator(this)), m_qt(new QTranslator(this))
{
}

Translations::~Translations()
{
    // Owned by the application, we go after it has stopped being the instance.
    if (QCoreApplication::instance())
        unload();
}

void Translations::unload()
{
    QCoreApplication::removeTranslator(m_own);
    QCoreApplication::removeTranslator(m_qt);
    m_language.clear();
}

QString Translations::load(const QStringList &languages, const QStringList &directories)
{
    unload();
    for (const QString &language : languages) {
        if (isEnglish(language))
            return {};
        for (const QString &name : candidates(language)) {
            for (const QString &directory : directories) {
                // Checked first: QTranslator would go on to shorter names.
                const QString file =
                    QDir(directory).filePath(QStringLiteral("brimvale_%1.qm").arg(name));
                if (!QFileInfo::exists(file) || !m_own->load(file))
                    continue;
                QCoreApplication::installTranslator(m_own);
                // Without Qt's own, its dialogs stay English; ours still apply.
                const QString qtFile = QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                                           .filePath(QStringLiteral("qtbase_%1.qm").arg(name));
                if (QFileInfo::exists(qtFile) && m_qt->load(qtFile))
                    QCoreApplication::installTranslator(m_qt);
                else
                    qCInfo(lcApp, "Qt's own translation for %s is not installed.",
                           qUtf8Printable(name));
                m_language = name;
                return m_language;
            }
        }
    }
    return {};
}

QStringList Translations::programDirectories()
{
    const QString binary = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(binary + u'/' + QStringLiteral(BRIMVALE_TRANSLATIONS_FROM_BINDIR)),
            binary + QStringLiteral("/translations")};
}

void installSessionTranslations(QObject *application)
{
    auto *translations = new Translations(application);
    translations->load(sessionLanguages(), Translations::programDirectories());
}
