#include "CoreLogging.h"

Q_LOGGING_CATEGORY(lcCore, "brimvale.core")
