#include "AppShell.h"
#include "CategoryPicker.h"
#include "ClipboardManager.h"
#include "IconLabel.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"
#include "Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QXmlStreamReader>
#include <QtTest>

#include <map>

// The language comes from the session's locale as gettext reads it, and the
// panel built afterwards speaks it: ours and Qt's own texts alike.
class TestTranslations final : public QObject
{
    Q_OBJECT

private slots:
    void sessionLanguages_followGettextPrecedence_data();
    void sessionLanguages_followGettextPrecedence();
    void germanSession_panelSpeaksGerman();
    void englishOrUnknownSession_panelStaysEnglish_data();
    void englishOrUnknownSession_panelStaysEnglish();
    void germanTranslation_isComplete();
};

namespace {

using Environment = std::map<QByteArray, QByteArray>;

QStringList languagesOf(const Environment &environment)
{
    return sessionLanguages([&environment](const char *name) {
        const auto it = environment.find(name);
        return it == environment.end() ? QByteArray() : it->second;
    });
}

QStringList builtDirectories()
{
    return {QStringLiteral(BRIMVALE_QM_DIR)};
}

// Every text the panel shows a person: labels, buttons and the search field's
// placeholder.
QStringList panelTexts(const PanelWindow &panel)
{
    QStringList texts{panel.windowTitle()};
    for (const IconLabel *label : panel.findChildren<IconLabel *>())
        texts << label->text();
    for (const QPushButton *button : panel.findChildren<QPushButton *>())
        texts << button->text();
    for (const QLineEdit *field : panel.findChildren<QLineEdit *>())
        texts << field->placeholderText();
    return texts;
}

void setSession(const QByteArray &lang)
{
    for (const char *variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        qunsetenv(variable);
    qputenv("LANG", lang);
}

} // namespace

void TestTranslations::sessionLanguages_followGettextPrecedence_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QByteArray>("lcAll");
    QTest::addColumn<QByteArray>("lcMessages");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("LANG alone") << QByteArray() << QByteArray() << QByteArray()
                                << QByteArray("de_DE.UTF-8") << QStringList{u"de_DE"_qs};
    QTest::newRow("LC_MESSAGES over LANG")
        << QByteArray() << QByteArray() << QByteArray("de_AT.UTF-8@euro")
        << QByteArray("en_GB.UTF-8") << QStringList{u"de_AT"_qs};
    QTest::newRow("LC_ALL over both")
        << QByteArray() << QByteArray("fr_FR.UTF-8") << QByteArray("de_DE.UTF-8")
        << QByteArray("en_US.UTF-8") << QStringList{u"fr_FR"_qs};
    QTest::newRow("LANGUAGE list first, then the locale")
        << QByteArray("pt_BR:de::fr") << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8")
        << QStringList{u"pt_BR"_qs, u"de"_qs, u"fr"_qs, u"en_US"_qs};
    QTest::newRow("LANGUAGE ignored in the C locale")
        << QByteArray("de") << QByteArray("C.UTF-8") << QByteArray() << QByteArray("de_DE.UTF-8")
        << QStringList{};
    QTest::newRow("POSIX") << QByteArray() << QByteArray() << QByteArray() << QByteArray("POSIX")
                           << QStringList{};
    QTest::newRow("nothing set") << QByteArray("de") << QByteArray() << QByteArray() << QByteArray()
                                 << QStringList{};
}

void TestTranslations::sessionLanguages_followGettextPrecedence()
{
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, lcAll);
    QFETCH(QByteArray, lcMessages);
    QFETCH(QByteArray, lang);
    QFETCH(QStringList, expected);
    const Environment environment{
        {"LANGUAGE", language}, {"LC_ALL", lcAll}, {"LC_MESSAGES", lcMessages}, {"LANG", lang}};
    QCOMPARE(languagesOf(environment), expected);
}

void TestTranslations::germanSession_panelSpeaksGerman()
{
    setSession("de_DE.UTF-8");
    Translations translations;
    QCOMPARE(translations.load(sessionLanguages(), builtDirectories()), u"de"_qs);

    PanelTest::FakeServices program;
    QVERIFY(program.store.isValid());
    AppShell app(program.services(), {.showPanel = false, .trayAvailable = false});
    const QStringList texts = panelTexts(app.panel());
    for (const QString &german :
         {u"Privatmodus"_qs, u"Einträge exportieren"_qs, u"Verlauf löschen"_qs,
          u"Im Dock anzeigen"_qs, u"Beenden"_qs, u"Suchen …"_qs}) {
        QVERIFY2(texts.contains(german), qPrintable(german + u" not in "_qs + texts.join(u'|')));
    }
    for (const QString &english : {u"Privacy Mode"_qs, u"Quit"_qs, u"Search..."_qs})
        QVERIFY2(!texts.contains(english), qPrintable(english));

    // The categories' names as a screen reader says them, with a count of matches.
    auto *picker = app.panel().findChild<CategoryPicker *>();
    QVERIFY(picker);
    picker->setMatchCount(Category::Code, 3);
    QCOMPARE(picker->segment(Category::Code)->accessibleName(), u"Code, 3 Treffer"_qs);

    // Qt's own texts too: the file dialog's and the standard buttons'.
    QCOMPARE(QCoreApplication::translate("QFileDialog", "&Save"), u"S&peichern"_qs);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Abbrechen"_qs);
}

void TestTranslations::englishOrUnknownSession_panelStaysEnglish_data()
{
    QTest::addColumn<QByteArray>("lang");
    QTest::newRow("English") << QByteArray("en_GB.UTF-8");
    QTest::newRow("a language without translation") << QByteArray("xx_YY.UTF-8");
    QTest::newRow("C") << QByteArray("C.UTF-8");
}

void TestTranslations::englishOrUnknownSession_panelStaysEnglish()
{
    QFETCH(QByteArray, lang);
    setSession(lang);
    Translations translations;
    QCOMPARE(translations.load(sessionLanguages(), builtDirectories()), QString());
    PanelTest::FakeServices program;
    QVERIFY(program.store.isValid());
    AppShell app(program.services(), {.showPanel = false, .trayAvailable = false});
    const QStringList texts = panelTexts(app.panel());
    for (const QString &english : {u"Privacy Mode"_qs, u"Export Items"_qs, u"Clear History"_qs,
                                   u"Show in Dock"_qs, u"Quit"_qs, u"Search..."_qs}) {
        QVERIFY2(texts.contains(english), qPrintable(english + u" not in "_qs + texts.join(u'|')));
    }
}

// Every message of the German source file has a translation that keeps its
// place markers. `cmake --build build --target update_translations` brings new
// texts into the file.
void TestTranslations::germanTranslation_isComplete()
{
    QFile file(QStringLiteral(BRIMVALE_TS_DIR "/brimvale_de.ts"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int messages = 0;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            ++messages;
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            // A text with a count has one form per plural, all in this one.
            const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            QVERIFY2(type.isEmpty(), qPrintable(source + u": "_qs + type));
            QVERIFY2(!translation.isEmpty(), qPrintable(source));
            for (int marker = 1; marker <= 9; ++marker) {
                const QString place = u'%' + QString::number(marker);
                QVERIFY2(translation.contains(place) == source.contains(place),
                         qPrintable(source + u" / "_qs + translation));
            }
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(messages >= 40);
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
