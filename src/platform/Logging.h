#pragma once

#include <QLoggingCategory>

// Messages for the user go through Qt's logging, one category per layer
// ("brimvale.platform", "brimvale.core", "brimvale.ui", "brimvale.app"; each
// layer declares its own), at warning level so that they show without any
// QT_LOGGING_RULES. This layer's:
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

// Makes every message of the process one line "brimvale: <message>" on standard
// error, flushed at once, whatever Qt's message pattern. Returns the handler it
// replaces. main() installs it; tests that read the program's lines do too.
QtMessageHandler installBrimvaleMessageHandler();

// The handler itself, for a test that routes only some messages to it.
void writeBrimvaleMessage(QtMsgType type, const QMessageLogContext &context,
                          const QString &message);
