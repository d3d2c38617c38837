#pragma once

#include <QProcess>
#include <QString>
#include <QTest>

#include <optional>

// Whether an X window is mapped, as xwininfo reports it: a panel that was hidden
// keeps its window, unmapped.
namespace WindowMapState {

// True for IsViewable, false for IsUnMapped (or IsUnviewable), nullopt when the
// window is gone or xwininfo cannot say.
inline std::optional<bool> isMapped(const QString &windowId)
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId});
    if (!xwininfo.waitForFinished(10000) || xwininfo.exitCode() != 0)
        return std::nullopt;
    const QByteArray output = xwininfo.readAllStandardOutput();
    if (output.contains("Map State: IsViewable"))
        return true;
    if (output.contains("Map State: IsUnMapped") || output.contains("Map State: IsUnviewable"))
        return false;
    return std::nullopt;
}

inline bool waitForMapped(const QString &windowId, bool mapped, int timeoutMs = 5000)
{
    return QTest::qWaitFor([&] { return isMapped(windowId) == mapped; }, timeoutMs);
}

} // namespace WindowMapState
