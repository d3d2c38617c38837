#pragma once

#include "Clipboard.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

// What the tests of the real X11 clipboard share: the other processes that own
// it, waiting for what it reads, and how a failure shows what was read.
namespace X11ClipboardTest {

inline constexpr int timeoutMs = 10000;

// For failure messages: the start of a text, percent-encoded, and its length.
inline QByteArray describe(const std::optional<QString> &text)
{
    if (!text)
        return "none";
    return '"' + text->left(60).toUtf8().toPercentEncoding(" ") + "\" (" +
           QByteArray::number(text->size()) + " chars)";
}

inline QByteArray describe(const std::optional<QByteArray> &bytes)
{
    return bytes ? describe(QString::fromUtf8(*bytes)) : QByteArray("none");
}

// Why the tests cannot run here, for initTestCase()'s skip; null when they can.
inline const char *missing()
{
    if (QGuiApplication::platformName() != QLatin1StringView("xcb"))
        return "needs an X server: DISPLAY is not set";
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        return "needs xclip";
    return nullptr;
}

// Polls like the monitor does, until `clipboard` reads `expected`.
inline bool readsSoon(Clipboard &clipboard, const std::optional<QString> &expected)
{
    QDeadlineTimer deadline(timeoutMs);
    while (clipboard.readText() != expected) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

// The processes a test starts to own the clipboard; killed by clear(), which
// cleanup() calls, so that none outlives its test.
class Owners final
{
public:
    Owners() = default;
    ~Owners() { clear(); }
    Owners(const Owners &) = delete;
    Owners &operator=(const Owners &) = delete;

    QProcess &start(const QString &program, const QStringList &arguments)
    {
        QProcess &owner = *m_owners.emplace_back(std::make_unique<QProcess>());
        owner.start(program, arguments);
        return owner;
    }

    // `program arguments` with `input` as all of its standard input.
    QProcess &offer(const QString &program, const QStringList &arguments, const QByteArray &input)
    {
        QProcess &owner = start(program, arguments);
        owner.write(input);
        owner.closeWriteChannel();
        return owner;
    }

    // The same for clipboard_owner, which says when it has taken the clipboard.
    QProcess &take(const QString &program, const QStringList &arguments, const QByteArray &input)
    {
        QProcess &owner = offer(program, arguments, input);
        if (!owner.waitForReadyRead(timeoutMs))
            qWarning("clipboard_owner did not take the clipboard");
        return owner;
    }

    void clear()
    {
        for (const auto &owner : m_owners) {
            owner->kill();
            owner->waitForFinished(timeoutMs);
        }
        m_owners.clear();
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_owners;
};

// main() of such a test: without a display the xcb platform would abort before
// the test could skip.
template <typename Test> int exec(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace X11ClipboardTest
