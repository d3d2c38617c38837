#pragma once

#include <QLoggingCategory>

// The views' messages for the user, "brimvale.ui" (see Logging.h in the platform
// layer for how they are written).
Q_DECLARE_LOGGING_CATEGORY(lcUi)
