#pragma once

#include <QLoggingCategory>

// The application shell's messages for the user, "brimvale.app" (see Logging.h in
// the platform layer for how they are written).
Q_DECLARE_LOGGING_CATEGORY(lcApp)
