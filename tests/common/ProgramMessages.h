#pragma once

#include "Logging.h"

#include <QtGlobal>

#include <cstring>

// While alive, the program's own messages (the "brimvale.*" categories) are
// written as the program writes them, one "brimvale: " line each on standard
// error; every other message goes to the handler installed before, QtTest's, so
// that the platform plugin's remarks do not count among the program's lines.
class ProgramMessages final
{
public:
    ProgramMessages() { s_previous = qInstallMessageHandler(&route); }
    ~ProgramMessages() { qInstallMessageHandler(s_previous); }
    ProgramMessages(const ProgramMessages &) = delete;
    ProgramMessages &operator=(const ProgramMessages &) = delete;

    static bool isProgramCategory(const char *category)
    {
        return category && std::strncmp(category, "brimvale.", 9) == 0;
    }

private:
    static void route(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (isProgramCategory(context.category))
            writeBrimvaleMessage(type, context, message);
        else if (s_previous)
            s_previous(type, context, message);
    }

    static inline QtMessageHandler s_previous = nullptr;
};
