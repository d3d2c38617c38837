#include "Logging.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

Q_LOGGING_CATEGORY(lcPlatform, "brimvale.platform")

void writeBrimvaleMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QByteArray line = "brimvale: " + message.toUtf8();
    while (line.endsWith('\n'))
        line.chop(1);
    line += '\n';
    // One write per line, so that lines from several threads never interleave.
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

QtMessageHandler installBrimvaleMessageHandler()
{
    return qInstallMessageHandler(&writeBrimvaleMessage);
}
