#pragma once

#include <QLoggingCategory>

// The core layer's messages for the user, "brimvale.core" (see Logging.h in the
// platform layer for how they are written).
Q_DECLARE_LOGGING_CATEGORY(lcCore)
